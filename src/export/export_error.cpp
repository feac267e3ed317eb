#include "export/export_error.h"

namespace bw {

ExportError::ExportError(Kind kind)
    : std::runtime_error("The operation couldn't be completed. (ExportError error 0.)"),
      m_kind(kind) {}

} // namespace bw
