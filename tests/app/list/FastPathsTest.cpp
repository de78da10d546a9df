// The fast paths against the plain paths they stand in for: the same lists
// through both, everything a user sees compared byte for byte.
#include "tests/app/list/ListTestSupport.h"
#include "tests/app/list/PathTranscript.h"

namespace quorvane::app {
namespace {

using test::ListFile;
using test::QtPath;
using test::TempDir;

// The seven fields of a complete record, with `name` and `good`.
std::vector<std::string> Complete(const std::string& name, const std::string& good = "1")
{
    return test::Fields(name, good);
}

// A complete record in which `field` occurs a second time, after the others,
// holding `second`.
std::vector<std::string> Duplicated(const std::string& field, const std::string& second, const std::string& good = "1")
{
    std::vector<std::string> fields = Complete("Dup " + field + " " + good, good);
    fields.push_back("<" + field + ">" + second + "</" + field + ">");
    return fields;
}

TEST(FastPaths, ShowSearchExportAndCustomListAgreeWithThePlainPaths)
{
    std::vector<std::vector<std::string>> duplicates;
    for (const std::string_view field : RecordFieldNames)
        duplicates.push_back(Duplicated(std::string(field), field == "GOOD" ? "1" : "second", "2"));
    duplicates.push_back(Duplicated("GOOD", "2", "1"));
    duplicates.push_back(Duplicated("GAMENAME", "second", "1"));

    struct Case {
        const char* what;
        std::string file;
        /// Text no view of the plain path may show (a second occurrence).
        const char* hidden = nullptr;
    };
    const Case cases[] = {
        {"complete records with a duplicated field", ListFile("3", duplicates), "second"},
        {"records in a namespace",
         "<IMAGE xmlns:x=\"urn:x\"><VERSION><NUMBER>n</NUMBER></VERSION>"
         "<x:GCM><x:GAMENAME>prefixed</x:GAMENAME><x:GOOD>1</x:GOOD><GAMENAME>no ns</GAMENAME></x:GCM>"
         "<GCM xmlns=\"urn:d\"><GAMENAME>default ns</GAMENAME><GOOD>1</GOOD><NICK/></GCM>"
         "<GCM><GAMENAME>plain</GAMENAME><x:GAMENAME>second</x:GAMENAME><GOOD>1</GOOD></GCM>"
         "<x:GCM xmlns:x=\"URN:X\"><GAMENAME>other case</GAMENAME></x:GCM></IMAGE>"},
        {"processing instructions named like fields",
         // The last record fails every walk that reaches it.
         ListFile("1", {{"<?GAMENAME pi name?>", "<GAMENAME>second</GAMENAME>", "<GOOD>1</GOOD>"},
                        Complete("plain"),
                        {"<GAMENAME>pi good</GAMENAME>", "<?GOOD 1?>", "<GOOD>2</GOOD>"},
                        {"<GAMENAME><?GAMENAME inside?></GAMENAME>", "<GOOD>1</GOOD>"}})},
        {"CDATA, entities, comments and empty elements",
         ListFile("1",
                  {{"<GAMENAME>Red &amp; Blue &lt;3&gt; &#304;</GAMENAME>",
                    "<GAMEID><![CDATA[<raw & cdata>]]></GAMEID>", "<NOTES>&quot;q&apos;</NOTES>", "<SSIZE/>",
                    "<GOOD><![CDATA[1]]></GOOD>", "<NICK></NICK>", "<INST>&#49;</INST>"},
                   {"<!-- before -->", "<GAMENAME>commented</GAMENAME>", "<!-- GOOD -->", "<GOOD>1</GOOD>"},
                   {"<GAMENAME/>", "<GAMEID/>", "<NOTES/>", "<SSIZE/>", "<GOOD/>", "<NICK/>", "<INST/>"},
                   {"<GAMENAME>x</GAMENAME>", "<NOTES><!-- only a comment --></NOTES>", "<GOOD>1</GOOD>"}},
                  "<!-- between -->")},
        {"mixed content", ListFile("1", {Complete("before"),
                                         {"<GAMENAME>mixed <B>bold</B> tail</GAMENAME>", "<GOOD>1</GOOD>"},
                                         {"<GAMENAME>text and <![CDATA[cdata]]></GAMENAME>", "<GOOD>1</GOOD>"},
                                         Complete("after")})},
        {"Turkish, Greek and German names",
         ListFile("1",
                  {Complete("istanbul"), Complete("\xC4\xB0stanbul Yolu"),
                   Complete("I\xC4\x9F"
                            "d\xC4\xB1r"),
                   Complete("\xC4\xB1\xC5\x9F\xC4\xB1k", "2"), Complete("DIYARBAKIR"), Complete("Diyarbak\xC4\xB1r"),
                   Complete("\xCE\x9F\xCE\x94\xCE\xA5\xCE\xA3\xCE\xA3\xCE\x95\xCE\xA5\xCE\xA3"),
                   Complete("\xCE\xBF\xCE\xB4\xCF\x85\xCF\x83\xCF\x83\xCE\xB5\xCF\x85\xCF\x82"),
                   Complete("Stra\xC3\x9F"
                            "e"),
                   Complete("STRASSE", "2"), Complete("\xE1\xBA\x9E Gro\xC3\x9F"), Complete("Iiyama")})},
        {"marks, ligatures and game IDs",
         ListFile("1", {Complete("Caf\xC3\xA9"),
                        Complete("\xC3\x86rial", "2"),
                        Complete("S\xC5\x93ur"),
                        Complete("Se\xC3\xB1or"),
                        Complete("Cafe\xCC\x81 Noir"),
                        Complete("\xEF\xAC\x81nal"),
                        Complete("\xC5\xBBywy \xCE\x94"),
                        Complete("\xC4\xB0stanbul"),
                        {"<GAMENAME>no id</GAMENAME>", "<GOOD>1</GOOD>"},
                        {"<GAMENAME>spaced id</GAMENAME>", "<GAMEID> qbcj76 </GAMEID>", "<GOOD>1</GOOD>"},
                        {"<GAMENAME>mixed id</GAMENAME>", "<GAMEID>QB<B/>CJ</GAMEID>", "<GOOD>1</GOOD>"}})},
    };
    const std::vector<QString> searches = {
        "i",
        "I",
        QString::fromUtf8("\xC4\xB0"),
        QString::fromUtf8("\xC4\xB1"),
        "DIYAR",
        "Diyar",
        QString::fromUtf8("D\xC4\xB0YAR"),
        QString::fromUtf8("\xC3\x9F"),
        "SS",
        "ss",
        QString::fromUtf8("\xCF\x82"),
        QString::fromUtf8("\xCE\xA3"),
        "dup",
        "econd",
        "&",
        "pi",
        "",
        " ",
        "cafe",
        "AERIAL",
        "soeur",
        "final",
        "istanbul",
        "zywy",
        QString::fromUtf8("caf\xC3\xA9"),
        "QAAE",
        "qbcj76",
        "QBC",
    };
    const std::vector<QLocale> locales = {QLocale(QLocale::English, QLocale::UnitedStates),
                                          QLocale(QLocale::Turkish, QLocale::Turkey),
                                          QLocale(QLocale::Azerbaijani, QLocale::Azerbaijan)};
    for (const Case& c : cases) {
        TempDir fastFolder;
        TempDir plainFolder;
        const std::string fast = test::PathTranscript(QtPath(fastFolder), ListPath::Fast, c.file, searches, locales,
                                                      test::TranscriptFiles::ExportAndCustomList);
        const std::string plain = test::PathTranscript(QtPath(plainFolder), ListPath::Plain, c.file, searches, locales,
                                                       test::TranscriptFiles::ExportAndCustomList);
        EXPECT_EQ(test::FirstDifference(fast, plain), "") << c.what;
        EXPECT_NE(plain.find("\n+ "), std::string::npos) << c.what;
        // A list compared with itself has no changes (or fails to load).
        const std::string self = "changes from gcmList.xml:\n";
        const std::size_t at = plain.find(self);
        ASSERT_NE(at, std::string::npos) << c.what;
        const std::string next = plain.substr(at + self.size(), 7);
        EXPECT_TRUE(next == "Changes" || next == "error: ") << c.what << ": " << next;
        if (c.hidden) {
            EXPECT_EQ(plain.find(c.hidden), std::string::npos) << c.what;
        }
    }
}

} // namespace
} // namespace quorvane::app
