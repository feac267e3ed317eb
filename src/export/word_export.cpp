#include "export/word_export.h"

#include "export/clean_segment.h"
#include "export/export_error.h"
#include "export/formatting.h"
#include "export/xml_writer.h"
#include "export/zip_archive.h"

namespace bw::WordExport {

namespace {

constexpr std::string_view wordprocessingMl =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view contentTypesNs =
    "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr std::string_view relationshipsNs =
    "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view corePropertiesNs =
    "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
constexpr std::string_view dublinCoreNs = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view officeDocumentType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr std::string_view corePropertiesType =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
constexpr std::string_view stylesType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
constexpr std::string_view settingsType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings";
constexpr std::string_view wordCompatibilityUri = "http://schemas.microsoft.com/office/word";

std::string contentTypes() {
    XmlWriter xml;
    xml.open("Types", {{"xmlns", contentTypesNs}});
    xml.empty("Default",
              {{"Extension", "rels"},
               {"ContentType", "application/vnd.openxmlformats-package.relationships+xml"}});
    xml.empty("Default", {{"Extension", "xml"}, {"ContentType", "application/xml"}});
    xml.empty(
        "Override",
        {{"PartName", "/word/document.xml"},
         {"ContentType",
          "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"}});
    xml.empty("Override",
              {{"PartName", "/word/styles.xml"},
               {"ContentType",
                "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"}});
    xml.empty("Override",
              {{"PartName", "/word/settings.xml"},
               {"ContentType",
                "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"}});
    xml.empty("Override",
              {{"PartName", "/docProps/core.xml"},
               {"ContentType", "application/vnd.openxmlformats-package.core-properties+xml"}});
    xml.close("Types");
    return xml.take();
}

std::string packageRelationships() {
    XmlWriter xml;
    xml.open("Relationships", {{"xmlns", relationshipsNs}});
    xml.empty("Relationship",
              {{"Id", "rId1"}, {"Type", officeDocumentType}, {"Target", "word/document.xml"}});
    xml.empty("Relationship",
              {{"Id", "rId2"}, {"Type", corePropertiesType}, {"Target", "docProps/core.xml"}});
    xml.close("Relationships");
    return xml.take();
}

std::string documentRelationships() {
    XmlWriter xml;
    xml.open("Relationships", {{"xmlns", relationshipsNs}});
    xml.empty("Relationship", {{"Id", "rId1"}, {"Type", stylesType}, {"Target", "styles.xml"}});
    xml.empty("Relationship", {{"Id", "rId2"}, {"Type", settingsType}, {"Target", "settings.xml"}});
    xml.close("Relationships");
    return xml.take();
}

void styledParagraph(XmlWriter& xml, std::string_view style, std::string_view escapedText) {
    xml.open("w:p").open("w:pPr").empty("w:pStyle", {{"w:val", style}}).close("w:pPr");
    xml.open("w:r").text("w:t", {{"xml:space", "preserve"}}, escapedText).close("w:r");
    xml.close("w:p");
}

void segmentParagraph(XmlWriter& xml, const CleanSegment& segment) {
    xml.open("w:p");
    xml.open("w:pPr").empty("w:pStyle", {{"w:val", "TranscriptSegment"}});
    xml.raw(segmentLayout()).close("w:pPr");
    // The timestamp holds only digits, colons and brackets: nothing to escape.
    xml.open("w:r").open("w:rPr").empty("w:rStyle", {{"w:val", "Timestamp"}}).close("w:rPr");
    xml.text("w:t", {}, "[" + Formatting::clock(segment.start) + "]").close("w:r");
    if (!segment.speaker.empty()) {
        xml.open("w:r").open("w:rPr").empty("w:b").close("w:rPr").empty("w:tab");
        xml.text("w:t", {{"xml:space", "preserve"}}, escape(segment.speaker) + ": ").close("w:r");
        xml.open("w:r");
    } else {
        xml.open("w:r").empty("w:tab");
    }
    for (std::size_t i = 0; i < segment.lines.size(); ++i) {
        if (i > 0) {
            xml.empty("w:br");
        }
        xml.text("w:t", {{"xml:space", "preserve"}}, escape(segment.lines[i]));
    }
    xml.close("w:r").close("w:p");
}

void arialFonts(XmlWriter& xml) {
    xml.empty(
        "w:rFonts",
        {{"w:ascii", "Arial"}, {"w:hAnsi", "Arial"}, {"w:eastAsia", "Arial"}, {"w:cs", "Arial"}});
}

} // namespace

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

const std::string& segmentLayout() {
    static const std::string fragment = [] {
        XmlWriter xml(XmlWriter::Kind::fragment);
        xml.open("w:tabs").empty("w:tab", {{"w:val", "left"}, {"w:pos", "1134"}}).close("w:tabs");
        xml.empty("w:ind", {{"w:left", "1134"}, {"w:hanging", "1134"}});
        return xml.take();
    }();
    return fragment;
}

const std::string& settings() {
    static const std::string part = [] {
        XmlWriter xml;
        xml.open("w:settings", {{"xmlns:w", wordprocessingMl}});
        xml.empty("w:defaultTabStop", {{"w:val", "708"}});
        xml.open("w:compat");
        xml.empty(
            "w:compatSetting",
            {{"w:name", "compatibilityMode"}, {"w:uri", wordCompatibilityUri}, {"w:val", "15"}});
        xml.close("w:compat").close("w:settings");
        return xml.take();
    }();
    return part;
}

std::string coreProperties(const ExportTranscript& transcript) {
    XmlWriter xml;
    xml.open("cp:coreProperties", {{"xmlns:cp", corePropertiesNs}, {"xmlns:dc", dublinCoreNs}});
    xml.text("dc:title", {}, escape(Formatting::singleLine(transcript.title)), true);
    xml.text("dc:language", {}, escape(Formatting::singleLine(transcript.language.tag)), true);
    xml.close("cp:coreProperties");
    return xml.take();
}

std::string document(const ExportTranscript& transcript, const ExportOptions& options) {
    XmlWriter xml;
    xml.open("w:document", {{"xmlns:w", wordprocessingMl}}).open("w:body");
    const std::string title = Formatting::singleLine(transcript.title);
    if (!title.empty()) {
        styledParagraph(xml, "Title", escape(title));
    }
    styledParagraph(xml, "TranscriptDetails",
                    escape(options.labels.date + ": " +
                           Formatting::headerDate(transcript.date, options.timeZone)));
    styledParagraph(
        xml, "TranscriptDetails",
        escape(options.labels.language + ": " + Formatting::singleLine(transcript.language.name)));
    xml.empty("w:p");
    for (const CleanSegment& segment :
         CleanSegment::from(transcript.segments, options.doubtfulText)) {
        segmentParagraph(xml, segment);
    }
    xml.open("w:sectPr");
    xml.empty("w:pgSz", {{"w:w", "11906"}, {"w:h", "16838"}});
    xml.empty("w:pgMar", {{"w:top", "1417"},
                          {"w:right", "1417"},
                          {"w:bottom", "1417"},
                          {"w:left", "1417"},
                          {"w:header", "708"},
                          {"w:footer", "708"},
                          {"w:gutter", "0"}});
    xml.close("w:sectPr").close("w:body").close("w:document");
    return xml.take();
}

std::string styles(const ExportLanguage& language) {
    const std::string tag = escape(Formatting::singleLine(language.tag));
    XmlWriter xml;
    xml.open("w:styles", {{"xmlns:w", wordprocessingMl}});

    xml.open("w:docDefaults");
    xml.open("w:rPrDefault").open("w:rPr");
    arialFonts(xml);
    xml.empty("w:sz", {{"w:val", "22"}}).empty("w:szCs", {{"w:val", "22"}});
    xml.empty("w:lang", {{"w:val", tag}});
    xml.close("w:rPr").close("w:rPrDefault");
    xml.open("w:pPrDefault").open("w:pPr");
    xml.empty("w:spacing", {{"w:after", "120"}, {"w:line", "264"}, {"w:lineRule", "auto"}});
    xml.close("w:pPr").close("w:pPrDefault");
    xml.close("w:docDefaults");

    xml.open("w:style", {{"w:type", "paragraph"}, {"w:default", "1"}, {"w:styleId", "Normal"}});
    xml.empty("w:name", {{"w:val", "Normal"}}).empty("w:qFormat");
    xml.open("w:rPr");
    arialFonts(xml);
    xml.close("w:rPr").close("w:style");

    xml.open("w:style",
             {{"w:type", "character"}, {"w:default", "1"}, {"w:styleId", "DefaultParagraphFont"}});
    xml.empty("w:name", {{"w:val", "Default Paragraph Font"}});
    xml.empty("w:uiPriority", {{"w:val", "1"}}).empty("w:semiHidden").empty("w:unhideWhenUsed");
    xml.close("w:style");

    xml.open("w:style", {{"w:type", "paragraph"}, {"w:styleId", "Title"}});
    xml.empty("w:name", {{"w:val", "Title"}}).empty("w:basedOn", {{"w:val", "Normal"}});
    xml.empty("w:next", {{"w:val", "Normal"}}).empty("w:qFormat");
    xml.open("w:pPr").empty("w:spacing", {{"w:after", "160"}}).close("w:pPr");
    xml.open("w:rPr").empty("w:sz", {{"w:val", "40"}}).empty("w:szCs", {{"w:val", "40"}});
    xml.close("w:rPr").close("w:style");

    xml.open("w:style",
             {{"w:type", "paragraph"}, {"w:customStyle", "1"}, {"w:styleId", "TranscriptDetails"}});
    xml.empty("w:name", {{"w:val", "Transcript Details"}});
    xml.empty("w:basedOn", {{"w:val", "Normal"}});
    xml.open("w:pPr").empty("w:spacing", {{"w:after", "0"}}).close("w:pPr");
    xml.open("w:rPr").empty("w:color", {{"w:val", "595959"}}).close("w:rPr");
    xml.close("w:style");

    xml.open("w:style",
             {{"w:type", "paragraph"}, {"w:customStyle", "1"}, {"w:styleId", "TranscriptSegment"}});
    xml.empty("w:name", {{"w:val", "Transcript Segment"}});
    xml.empty("w:basedOn", {{"w:val", "Normal"}});
    xml.open("w:pPr").raw(segmentLayout()).close("w:pPr");
    xml.close("w:style");

    xml.open("w:style",
             {{"w:type", "character"}, {"w:customStyle", "1"}, {"w:styleId", "Timestamp"}});
    xml.empty("w:name", {{"w:val", "Timestamp"}});
    xml.open("w:rPr").empty("w:color", {{"w:val", "767676"}}).close("w:rPr");
    xml.close("w:style");

    xml.close("w:styles");
    return xml.take();
}

std::vector<std::pair<std::string, std::string>> parts(const ExportTranscript& transcript,
                                                       const ExportOptions& options) {
    return {
        {"[Content_Types].xml", contentTypes()},
        {"_rels/.rels", packageRelationships()},
        {"docProps/core.xml", coreProperties(transcript)},
        {"word/document.xml", document(transcript, options)},
        {"word/_rels/document.xml.rels", documentRelationships()},
        {"word/styles.xml", styles(transcript.language)},
        {"word/settings.xml", settings()},
    };
}

std::vector<std::uint8_t> render(const ExportTranscript& transcript, const ExportOptions& options) {
    std::vector<ZipArchive::Entry> entries;
    for (auto& [name, xml] : parts(transcript, options)) {
        entries.push_back({std::move(name), std::vector<std::uint8_t>(xml.begin(), xml.end())});
    }
    try {
        return ZipArchive::make(entries);
    } catch (const ZipArchive::Failure&) {
        throw ExportError::documentTooLarge();
    }
}

} // namespace bw::WordExport
