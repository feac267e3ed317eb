// Module-internal: builds the text of one XML part in the compact form the Word export writes:
// the declaration and one LF, then elements with no whitespace between them, attributes in the
// order given, and elements without content in the short form. Text and attribute values are
// written as given; callers escape what is not constant.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace bw {

class XmlWriter {
public:
    using Attributes = std::initializer_list<std::pair<std::string_view, std::string_view>>;

    // A part starts with the XML declaration; a fragment, meant for raw(), does not.
    enum class Kind { part, fragment };
    explicit XmlWriter(Kind kind = Kind::part);

    XmlWriter& open(std::string_view name, Attributes attributes = {});
    XmlWriter& close(std::string_view name);
    // An element without content: <name attributes/>.
    XmlWriter& empty(std::string_view name, Attributes attributes = {});
    // An element holding text; empty text gives the short form unless keepEndTag is set.
    XmlWriter& text(std::string_view name, Attributes attributes, std::string_view text,
                    bool keepEndTag = false);
    // Adds markup that was built before, such as a shared fragment.
    XmlWriter& raw(std::string_view markup);

    std::string take() { return std::move(m_text); }

private:
    void startTag(std::string_view name, Attributes attributes);

    std::string m_text;
};

} // namespace bw
