#pragma once

#include <string>
#include <vector>

namespace quorvane::test {

/// Lines joined, each followed by CR LF.
inline std::string CrLf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

/// Number of CR LF line ends in `text`.
inline int CountLines(const std::string& text)
{
    int count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++count;
    return count;
}

/// `text` as XML character data.
inline std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

/// One record of a List File: "<GCM>", the field lines, "</GCM>", each line
/// ended with CR LF.
inline std::string Record(const std::vector<std::string>& fields)
{
    return "<GCM>\r\n" + CrLf(fields) + "</GCM>\r\n";
}

/// The field lines of a complete record; `name` is already escaped.
inline std::vector<std::string> Fields(const std::string& name, const std::string& good,
                                       const std::string& id = "QAAE01")
{
    return {"<GAMENAME>" + name + "</GAMENAME>",
            "<GAMEID>" + id + "</GAMEID>",
            "<NOTES>Ingame</NOTES>",
            "<SSIZE>120</SSIZE>",
            "<GOOD>" + good + "</GOOD>",
            "<NICK>tester</NICK>",
            "<INST>none</INST>"};
}

/// A record named `name` (escaped here) whose notes name it too, with the size
/// "?" and the nick "tester" only when `withNick`.
inline std::string GcmRecord(const std::string& name, const std::string& good, const std::string& id = "GID",
                             bool withNick = true)
{
    std::vector<std::string> fields = {"<GAMENAME>" + Escaped(name) + "</GAMENAME>", "<GAMEID>" + id + "</GAMEID>",
                                       "<NOTES>notes of " + Escaped(name) + "</NOTES>", "<SSIZE>?</SSIZE>",
                                       "<GOOD>" + good + "</GOOD>"};
    if (withNick)
        fields.push_back("<NICK>tester</NICK>");
    fields.push_back("<INST>none</INST>");
    return Record(fields);
}

/// A whole List File (CR LF lines) with version `version`, `records` standing
/// between the listing comments as given.
inline std::string ListFile(const std::string& version, const std::string& records)
{
    return CrLf({"<?xml version=\"1.0\" ?>", "<IMAGE>", "<VERSION>", "<NUMBER>" + version + "</NUMBER>", "</VERSION>",
                 "<!--GCM LISTINGS -->"}) +
           records + CrLf({"<!-- End -->", "</IMAGE>"});
}

/// A List File with the given records, each a list of field lines such as
/// "<GAMENAME>a</GAMENAME>"; `between`, when not empty, is a line of its own
/// after every record.
inline std::string ListFile(const std::string& version, const std::vector<std::vector<std::string>>& records,
                            const std::string& between = "")
{
    std::string text;
    for (const auto& fields : records) {
        text += Record(fields);
        if (!between.empty())
            text += between + "\r\n";
    }
    return ListFile(version, text);
}

/// A List File with version `version` and `count` invented records
/// ("Game 0 of <version>", ...), bootable and not in turn.
inline std::string GeneratedListFile(const std::string& version, int count)
{
    std::string records;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        records +=
            Record({"<GAMENAME>Game " + n + " of " + version + "</GAMENAME>", "<GAMEID>G" + n + "</GAMEID>",
                    "<NOTES>n</NOTES>", "<SSIZE>?</SSIZE>", std::string("<GOOD>") + (i % 2 ? "1" : "2") + "</GOOD>",
                    "<NICK>t</NICK>", "<INST>i</INST>"});
    }
    return ListFile(version, records);
}

} // namespace quorvane::test
