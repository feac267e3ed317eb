#include "export/export_error.h"
#include "export/word_export.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include "external_tool.h"
#include "golden_case.h"

namespace bw {
namespace {

const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const std::string mainNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

ExportTranscript sample() {
    ExportTranscript transcript;
    transcript.title = " A & <B>\r\n\"C\" 'D' ";
    transcript.date = std::chrono::sys_seconds(std::chrono::seconds(1741939500));
    transcript.language = ExportLanguage::slovak();
    transcript.segments = {{3 * 3600 + 4 * 60 + 5.9996, 11100, "one\ntwo\r\nthree"},
                           {50, 60, " \t\u2028 "},
                           {3 * 3600 + 4 * 60 + 5.4, 11000, "x < y"}};
    return transcript;
}

const std::string segmentProperties =
    "<w:pPr><w:pStyle w:val=\"TranscriptSegment\"/><w:tabs><w:tab w:val=\"left\" "
    "w:pos=\"1134\"/></w:tabs><w:ind w:left=\"1134\" w:hanging=\"1134\"/></w:pPr>";
const std::string timestampRun = "<w:r><w:rPr><w:rStyle w:val=\"Timestamp\"/></w:rPr><w:t>";
const std::string details = "<w:p><w:pPr><w:pStyle w:val=\"TranscriptDetails\"/></w:pPr><w:r>"
                            "<w:t xml:space=\"preserve\">";
const std::string sectionProperties =
    "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" w:right=\"1417\" "
    "w:bottom=\"1417\" w:left=\"1417\" w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/>"
    "</w:sectPr>";

TEST(WordExport, DocumentHasTitleDetailsAndOneParagraphPerSegment) {
    const std::string expected =
        declaration + "<w:document xmlns:w=\"" + mainNs + "\"><w:body>" +
        "<w:p><w:pPr><w:pStyle w:val=\"Title\"/></w:pPr><w:r><w:t xml:space=\"preserve\">"
        "A &amp; &lt;B&gt; &quot;C&quot; &apos;D&apos;</w:t></w:r></w:p>" +
        details + "Date: 2025-03-14 08:05</w:t></w:r></w:p>" + details +
        "Language: Slovak</w:t></w:r></w:p><w:p/>" + "<w:p>" + segmentProperties + timestampRun +
        "[03:04:06]</w:t></w:r><w:r><w:tab/><w:t xml:space=\"preserve\">one</w:t>"
        "<w:br/><w:t xml:space=\"preserve\">two</w:t><w:br/><w:t xml:space=\"preserve\">three"
        "</w:t></w:r></w:p>" +
        "<w:p>" + segmentProperties + timestampRun +
        "[03:04:05]</w:t></w:r><w:r><w:tab/><w:t xml:space=\"preserve\">x &lt; y</w:t></w:r>"
        "</w:p>" +
        sectionProperties + "</w:body></w:document>";
    EXPECT_EQ(WordExport::document(sample(), {TimeZone::utc(), ExportLabels::english()}), expected);
}

// The speaker stands in bold after the time, before the text it said; markup in it is escaped.
TEST(WordExport, SpeakerStartsTheSegmentsLineInBold) {
    auto transcript = sample();
    transcript.segments = {{1, 2, "Hi", false, "Me"}, {2, 3, "Hello", false, "<Others>"}};
    const auto document =
        WordExport::document(transcript, {TimeZone::utc(), ExportLabels::english()});
    const std::string me = "<w:p>" + segmentProperties + timestampRun +
                           "[00:00:01]</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:tab/>"
                           "<w:t xml:space=\"preserve\">Me: </w:t></w:r><w:r>"
                           "<w:t xml:space=\"preserve\">Hi</w:t></w:r></w:p>";
    EXPECT_NE(document.find(me), std::string::npos) << document;
    EXPECT_NE(document.find(">&lt;Others&gt;: </w:t>"), std::string::npos) << document;
}

TEST(WordExport, UntitledWithoutSegmentsKeepsDetailsAndSection) {
    ExportTranscript transcript = sample();
    transcript.title = " \t";
    transcript.segments = {{1, 2, "\r\n"}};
    const ExportOptions options{{"Europe/Bratislava"}, {"D & D", "L"}};
    EXPECT_EQ(WordExport::document(transcript, options),
              declaration + "<w:document xmlns:w=\"" + mainNs + "\"><w:body>" + details +
                  "D &amp; D: 2025-03-14 09:05</w:t></w:r></w:p>" + details +
                  "L: Slovak</w:t></w:r></w:p><w:p/>" + sectionProperties +
                  "</w:body></w:document>");
    EXPECT_EQ(WordExport::coreProperties(transcript),
              declaration +
                  "<cp:coreProperties "
                  "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
                  "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                  "<dc:title></dc:title><dc:language>sk-SK</dc:language></cp:coreProperties>");
}

TEST(WordExport, CorePropertiesEscapeTheTitle) {
    EXPECT_EQ(WordExport::coreProperties(sample()),
              declaration + "<cp:coreProperties "
                            "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
                            "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                            "<dc:title>A &amp; &lt;B&gt; &quot;C&quot; &apos;D&apos;</dc:title>"
                            "<dc:language>sk-SK</dc:language></cp:coreProperties>");
}

TEST(WordExport, StylesCarryTheLanguageTag) {
    const std::string fonts =
        "<w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:eastAsia=\"Arial\" w:cs=\"Arial\"/>";
    const std::string expected =
        declaration + "<w:styles xmlns:w=\"" + mainNs + "\">" +
        "<w:docDefaults><w:rPrDefault><w:rPr>" + fonts +
        "<w:sz w:val=\"22\"/><w:szCs w:val=\"22\"/><w:lang w:val=\"en-GB\"/></w:rPr>"
        "</w:rPrDefault><w:pPrDefault><w:pPr><w:spacing w:after=\"120\" w:line=\"264\" "
        "w:lineRule=\"auto\"/></w:pPr></w:pPrDefault></w:docDefaults>"
        "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\">"
        "<w:name w:val=\"Normal\"/><w:qFormat/><w:rPr>" +
        fonts +
        "</w:rPr></w:style>"
        "<w:style w:type=\"character\" w:default=\"1\" w:styleId=\"DefaultParagraphFont\">"
        "<w:name w:val=\"Default Paragraph Font\"/><w:uiPriority w:val=\"1\"/><w:semiHidden/>"
        "<w:unhideWhenUsed/></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"Title\"><w:name w:val=\"Title\"/>"
        "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:qFormat/><w:pPr>"
        "<w:spacing w:after=\"160\"/></w:pPr><w:rPr><w:sz w:val=\"40\"/><w:szCs w:val=\"40\"/>"
        "</w:rPr></w:style>"
        "<w:style w:type=\"paragraph\" w:customStyle=\"1\" w:styleId=\"TranscriptDetails\">"
        "<w:name w:val=\"Transcript Details\"/><w:basedOn w:val=\"Normal\"/><w:pPr>"
        "<w:spacing w:after=\"0\"/></w:pPr><w:rPr><w:color w:val=\"595959\"/></w:rPr></w:style>"
        "<w:style w:type=\"paragraph\" w:customStyle=\"1\" w:styleId=\"TranscriptSegment\">"
        "<w:name w:val=\"Transcript Segment\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:tabs>"
        "<w:tab w:val=\"left\" w:pos=\"1134\"/></w:tabs><w:ind w:left=\"1134\" "
        "w:hanging=\"1134\"/></w:pPr></w:style>"
        "<w:style w:type=\"character\" w:customStyle=\"1\" w:styleId=\"Timestamp\">"
        "<w:name w:val=\"Timestamp\"/><w:rPr><w:color w:val=\"767676\"/></w:rPr></w:style>"
        "</w:styles>";
    EXPECT_EQ(WordExport::styles(ExportLanguage::english()), expected);
    EXPECT_NE(WordExport::styles({"Odd", "x\"y"}).find("<w:lang w:val=\"x&quot;y\"/>"),
              std::string::npos);
}

TEST(WordExport, ConstantPartsInArchiveOrder) {
    const auto parts = WordExport::parts(sample(), {});
    ASSERT_EQ(parts.size(), 7u);
    const char* names[] = {
        "[Content_Types].xml",          "_rels/.rels",     "docProps/core.xml", "word/document.xml",
        "word/_rels/document.xml.rels", "word/styles.xml", "word/settings.xml"};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(parts[i].first, names[i]);
    }

    const std::string types = "http://schemas.openxmlformats.org/package/2006/content-types";
    const std::string office = "application/vnd.openxmlformats-officedocument.wordprocessingml.";
    EXPECT_EQ(parts[0].second,
              declaration + "<Types xmlns=\"" + types +
                  "\"><Default Extension=\"rels\" "
                  "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                  "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                  "<Override PartName=\"/word/document.xml\" ContentType=\"" +
                  office + "document.main+xml\"/><Override PartName=\"/word/styles.xml\" " +
                  "ContentType=\"" + office +
                  "styles+xml\"/><Override PartName=\"/word/settings.xml\" ContentType=\"" +
                  office +
                  "settings+xml\"/><Override PartName=\"/docProps/core.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
                  "</Types>");

    const std::string relationships =
        declaration +
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    EXPECT_EQ(parts[1].second,
              relationships +
                  "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                  "officeDocument/2006/relationships/officeDocument\" "
                  "Target=\"word/document.xml\"/><Relationship Id=\"rId2\" "
                  "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
                  "core-properties\" Target=\"docProps/core.xml\"/></Relationships>");
    EXPECT_EQ(parts[4].second,
              relationships +
                  "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                  "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
                  "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/"
                  "officeDocument/2006/relationships/settings\" Target=\"settings.xml\"/>"
                  "</Relationships>");
    EXPECT_EQ(parts[6].second,
              declaration + "<w:settings xmlns:w=\"" + mainNs +
                  "\"><w:defaultTabStop w:val=\"708\"/><w:compat><w:compatSetting "
                  "w:name=\"compatibilityMode\" w:uri=\"http://schemas.microsoft.com/office/word\" "
                  "w:val=\"15\"/></w:compat></w:settings>");
    EXPECT_EQ(&WordExport::settings(), &WordExport::settings()); // built once
}

TEST(WordExport, EscapeReplacesTheFiveMarkupCharactersOnly) {
    EXPECT_EQ(WordExport::escape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(WordExport::escape("&amp; žluť 👍🏽"), "&amp;amp; žluť 👍🏽");
}

TEST(WordExport, RenderIsDeterministic) {
    const auto golden = test::GoldenCase::load("export_hard_text");
    const auto first = WordExport::render(golden.transcript, golden.options);
    EXPECT_EQ(WordExport::render(golden.transcript, golden.options), first);
    ASSERT_GT(first.size(), 4u);
    EXPECT_EQ(std::string(first.begin(), first.begin() + 4), "PK\x03\x04");
}

// Writes the .docx of a golden case into the folder.
std::filesystem::path writeDocument(const test::TemporaryFolder& folder, const char* caseName,
                                    const char* fileName) {
    const auto golden = test::GoldenCase::load(caseName);
    const auto file = folder.path() / fileName;
    test::writeFile(file, WordExport::render(golden.transcript, golden.options));
    return file;
}

// The archive as unzip sees it: seven deflated files, [Content_Types].xml first and
// word/settings.xml last, each with its part's length and CRC and the fixed date.
TEST(WordExport, ListedByUnzip) {
    BW_REQUIRE_PROGRAM("unzip");
    test::TemporaryFolder folder;
    const auto file = writeDocument(folder, "export_meeting", "meeting.docx");
    const auto listing = test::runCommand("unzip -Z1 " + test::shellQuoted(file.string()));
    ASSERT_EQ(listing.exitStatus, 0) << listing.output;
    EXPECT_EQ(listing.output, "[Content_Types].xml\n_rels/.rels\ndocProps/core.xml\n"
                              "word/document.xml\nword/_rels/document.xml.rels\n"
                              "word/styles.xml\nword/settings.xml\n");
    const auto verbose = test::runCommand("unzip -v " + test::shellQuoted(file.string()));
    ASSERT_EQ(verbose.exitStatus, 0) << verbose.output;
    const auto extract =
        test::runCommand("cd " + test::shellQuoted(folder.path().string()) +
                         " && unzip -q meeting.docx -d parts && find parts -type f | wc -l");
    ASSERT_EQ(extract.exitStatus, 0) << extract.output;
    EXPECT_EQ(extract.output, "7\n");
    const auto golden = test::GoldenCase::load("export_meeting");
    for (const auto& [name, xml] : WordExport::parts(golden.transcript, golden.options)) {
        EXPECT_EQ(test::readFile(folder.path() / "parts" / name), xml) << name;
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08lx",
                      crc32(0, reinterpret_cast<const Bytef*>(xml.data()), uInt(xml.size())));
        const std::size_t line = verbose.output.find("  " + name + "\n");
        ASSERT_NE(line, std::string::npos) << name;
        const std::size_t begin = verbose.output.rfind('\n', line) + 1;
        const std::string row = verbose.output.substr(begin, line - begin);
        EXPECT_EQ(row.substr(0, 8), std::string(8 - std::to_string(xml.size()).size(), ' ') +
                                        std::to_string(xml.size()))
            << row;
        EXPECT_NE(row.find("  Defl:N "), std::string::npos) << row;
        EXPECT_NE(row.find(" 1980-01-01 00:00 " + std::string(crc)), std::string::npos) << row;
    }
}

// LibreOffice opens the document and finds every word and timestamp. Its first start on a
// fresh machine is slow, hence the generous time limit and a profile of its own.
TEST(WordExport, OpenedByLibreOffice) {
    BW_REQUIRE_PROGRAM("soffice");
    test::TemporaryFolder folder;
    const auto file = writeDocument(folder, "export_hard_text", "hard text.docx");
    const std::string profile = "file://" + (folder.path() / "profile").string();
    const auto conversion = test::runCommand(
        "cd " + test::shellQuoted(folder.path().string()) +
            " && HOME=" + test::shellQuoted(folder.path().string()) +
            " soffice -env:UserInstallation=" + test::shellQuoted(profile) +
            " --headless --norestore --convert-to 'txt:Text (encoded):UTF8' --outdir out " +
            test::shellQuoted(file.string()),
        280);
    const auto textFile = folder.path() / "out" / "hard text.txt";
    ASSERT_TRUE(std::filesystem::exists(textFile)) << conversion.output;
    const std::string text = test::readFile(textFile);
    for (const char* expected :
         {"Weekly sync: Q3 plan\n", "Date: 2025-03-14 09:05\n", "Language: Slovak\n",
          "[00:00:00]\tHello world,\nsecond\nthird line\n",
          "[00:00:05]\tCena:\u00a0100\u00a0\u20ac",
          "\U0001F468\u200d\U0001F469\u200d\U0001F467 count once; cafe\u0301",
          "[00:00:20]\tA Pneumonoultramicroscopicsilicovolcanoconiosistests word stands alone.",
          "[00:00:00]\tNo time at all.", "[100:01:05]\tHundred hours later,\nstill talking."}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n---\n" << text;
    }
}

} // namespace
} // namespace bw
