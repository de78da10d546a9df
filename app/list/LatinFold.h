#pragma once

#include <QString>

namespace quorvane::app {

/// Folds text to plain Latin letters as ICU's "Latin-ASCII" transliteration
/// does: "CAFÉ" reads "CAFE", "ÆRIAL" "AERIAL", "SŒUR" "SOEUR", "İ" "I".
/// Letters of other scripts, and what the transliteration has no plain form
/// for, pass unchanged; plain ASCII folds to itself.
///
/// The transliterator is opened once per thread, on first use, and kept.
class LatinFold {
public:
    /// `text` folded; `text` itself when the transliterator cannot be opened.
    static QString Of(const QString& text);
};

} // namespace quorvane::app
