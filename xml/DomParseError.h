#pragma once

#include "xml/XmlError.h"

#include <string>

namespace quorvane::xml {

class DomParseErrorInfo;

/// The parser rejected a document's text. The message is the parser's reason,
/// CR LF, "Line: " and the line number, CR LF, and at most 40 characters of
/// the offending source line. The fields of the parse-error record are copied
/// into the exception, so it stays valid after the document is released.
class DomParseError : public XmlError {
public:
    /// Copies the record of `info`.
    explicit DomParseError(const DomParseErrorInfo& info);

    int errorCode() const noexcept { return errorCode_; }
    const std::string& url() const noexcept { return url_; }
    const std::string& reason() const noexcept { return reason_; }
    const std::string& srcText() const noexcept { return srcText_; }
    int line() const noexcept { return line_; }
    int linepos() const noexcept { return linepos_; }
    long long filepos() const noexcept { return filepos_; }

    /// Builds the message from a reason, a line number and the source line.
    static std::string FormatMessage(const std::string& reason, int line, const std::string& srcText);

private:
    int errorCode_;
    std::string url_;
    std::string reason_;
    std::string srcText_;
    int line_;
    int linepos_;
    long long filepos_;
};

} // namespace quorvane::xml
