#include "export/xml_writer.h"

namespace bw {

XmlWriter::XmlWriter(Kind kind) {
    if (kind == Kind::part) {
        m_text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    }
}

void XmlWriter::startTag(std::string_view name, Attributes attributes) {
    m_text += '<';
    m_text += name;
    for (const auto& [key, value] : attributes) {
        m_text += ' ';
        m_text += key;
        m_text += "=\"";
        m_text += value;
        m_text += '"';
    }
}

XmlWriter& XmlWriter::open(std::string_view name, Attributes attributes) {
    startTag(name, attributes);
    m_text += '>';
    return *this;
}

XmlWriter& XmlWriter::close(std::string_view name) {
    m_text += "</";
    m_text += name;
    m_text += '>';
    return *this;
}

XmlWriter& XmlWriter::empty(std::string_view name, Attributes attributes) {
    startTag(name, attributes);
    m_text += "/>";
    return *this;
}

XmlWriter& XmlWriter::text(std::string_view name, Attributes attributes, std::string_view text,
                           bool keepEndTag) {
    if (text.empty() && !keepEndTag) {
        return empty(name, attributes);
    }
    open(name, attributes);
    m_text += text;
    return close(name);
}

XmlWriter& XmlWriter::raw(std::string_view markup) {
    m_text += markup;
    return *this;
}

} // namespace bw
