#pragma once

#include "app/list/ListPath.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringDecoder>

#include <string>
#include <string_view>

namespace quorvane::app {

/// The search rule, for the window and the command line alike. A record
/// matches the search text when
/// - the text is empty or only blanks: every record does;
/// - its game name, upper-cased by the locale's rules, holds the upper-cased
///   text (an empty name holds nothing);
/// - the text is plain ASCII, and the upper-cased name folded to plain Latin
///   letters (LatinFold) holds the upper-cased text folded the same way, so
///   marks and ligatures the player did not type do not count: "cafe" finds
///   "Café", "aerial" "Ærial". A text with any other character finds only
///   names written with it;
/// - the text has at least 4 characters and no blank, and the record's game
///   ID (GameIdKey: trimmed, in any case) begins with it.
/// Names and IDs are UTF-8, as the record walk reads them.
///
/// The fast path compares names of plain ASCII, which most are, in place,
/// folding ASCII letters: for an ASCII text that is the folded rule in every
/// locale (the Turkish dotted capital I folds to I), and in every locale but
/// Turkish and Azerbaijani what the locale's rules give for ASCII. Other
/// names are upper-cased by ICU with the locale QLocale::toUpper passes it,
/// into buffers kept from one name to the next. The plain path upper-cases
/// and folds every name as the rule says, with QLocale::toUpper.
class NameMatcher {
public:
    NameMatcher(const QLocale& locale, const QString& text, ListPath path = ListPath::Fast);

    /// The text is empty or only blanks: every record matches, and nothing
    /// else needs asking.
    bool MatchesEverything() const { return everything_; }
    /// The text is plain ASCII, so names are also compared folded.
    bool FoldsMarks() const { return textIsAscii_; }
    /// The text is long enough, and without blanks, to look for game IDs.
    bool LooksAtIds() const { return looksAtIds_; }

    /// True when the game name `name` matches the text (the ID aside).
    bool Matches(std::string_view name) const;
    /// True when the game ID `id` begins with the text (LooksAtIds() only).
    bool MatchesId(std::string_view id) const;
    /// MatchesId for an ID already made a key with GameIdKey::Of.
    bool MatchesIdKey(std::string_view key) const { return looksAtIds_ && key.starts_with(idNeedle_); }

    /// For an ASCII text: what FoldedName() must hold for the name to match,
    /// the text upper-cased and folded.
    const std::string& FoldedText() const { return foldNeedle_; }
    /// `name` upper-cased by `locale`'s rules and folded, as UTF-8: what an
    /// ASCII text is looked for in. Cheap for an ASCII name.
    static std::string FoldedName(const QLocale& locale, std::string_view name);

private:
    static bool IsAscii(std::string_view text);
    static bool ContainsFoldingAscii(std::string_view name, const std::string& wanted);
    std::u16string_view UpperCased(std::string_view name) const;

    QLocale locale_;
    ListPath path_;
    QByteArray icuLocale_;
    QString wanted_;
    QString foldedWanted_;
    bool everything_ = false;
    bool textIsAscii_ = false;
    bool looksAtIds_ = false;
    bool asciiRules_ = false;
    bool wantedIsAscii_ = false;
    std::string wantedAscii_;
    std::string foldNeedle_;
    std::string idNeedle_;
    mutable QStringDecoder decoder_;
    mutable std::u16string decoded_;
    mutable std::u16string upper_ = std::u16string(64, u'\0');
    mutable QString fallback_;
};

} // namespace quorvane::app
