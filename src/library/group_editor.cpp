#include "library/group_editor.h"

#include "library/library_error.h"
#include "library/support_texts.h"

namespace bw {

std::string groupNameProblem(const std::exception& error) {
    if (isLibraryError(error, LibraryError::Kind::emptyGroupName)) {
        return "The group's name can't be empty.";
    }
    if (isLibraryError(error, LibraryError::Kind::duplicateGroupName)) {
        return "A group with this name already exists. Choose another name.";
    }
    return "The group couldn't be saved. Try again. " + supportSentence() + detail(error);
}

} // namespace bw
