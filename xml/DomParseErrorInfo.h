#pragma once

#include <string>

namespace quorvane::xml {

/// The record of the last rejected load of a document. Line and position
/// count from 1; 0 means unknown.
class DomParseErrorInfo {
public:
    virtual int errorCode() const = 0;
    virtual std::string url() const = 0;
    /// The parser's explanation, without a trailing line break.
    virtual std::string reason() const = 0;
    /// The source line the parser stopped in (UTF-8).
    virtual std::string srcText() const = 0;
    virtual int line() const = 0;
    virtual int linepos() const = 0;
    /// Byte offset in the parser's input.
    virtual long long filepos() const = 0;

protected:
    ~DomParseErrorInfo() = default;
};

} // namespace quorvane::xml
