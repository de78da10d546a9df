#pragma once

// Everything a user sees of one List File through one path of the list
// logic, written down as text, so the fast and the plain path can be compared
// byte for byte (the differential test and the fuzz target fuzz_fast_paths).

#include "app/list/CaptionCollator.h"
#include "app/list/ListChanges.h"
#include "app/list/ListFileNames.h"
#include "app/list/ListPath.h"
#include "app/list/MainList.h"
#include "app/list/SortedItemCollector.h"
#include "app/list/StatusSink.h"
#include "xml/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>

#include <exception>
#include <string>
#include <vector>

namespace quorvane::app::test {

/// What a transcript covers beyond the start-up load, Show and the searches.
enum class TranscriptFiles {
    /// Nothing more.
    None,
    /// Also the export's bytes, and the bytes of the Custom List saved from
    /// the rows shown, and that list shown again.
    ExportAndCustomList,
};

class TranscriptStatus : public StatusSink {
public:
    void SetStatusText(const QString& text) override { texts += text.toStdString() + "\n"; }
    std::string texts;
};

/// Runs, in `folder` (its list files are replaced), the start-up load of
/// `mainList`, then in each of `locales` (made the default locale meanwhile)
/// Show of all records and of the bootable ones and a search for each of
/// `searches`, through `path`, and writes down what each step shows: the rows
/// in view order with their images, the status texts, the list state and the
/// document's ChangeCount. A step that fails writes its message (the folder
/// named "<folder>") and the run goes on.
inline std::string PathTranscript(const QString& folder, ListPath path, const std::string& mainList,
                                  const std::vector<QString>& searches, const std::vector<QLocale>& locales,
                                  TranscriptFiles files = TranscriptFiles::None)
{
    QDir dir(folder);
    for (const char* name : {MainListFileName, CustomListFileName, HtmlExportFileName})
        dir.remove(QString::fromLatin1(name));
    {
        QFile file(dir.filePath(QString::fromLatin1(MainListFileName)));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(mainList.data(), static_cast<qint64>(mainList.size())) != static_cast<qint64>(mainList.size()))
            return "cannot write the list file\n";
    }
    const auto readFile = [&dir](const char* name) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<no file>");
    };

    MainList list(folder);
    list.SetPath(path);
    TranscriptStatus status;
    std::string out;
    const auto step = [&](const std::string& name, auto&& run) {
        out += name + ":\n";
        try {
            run();
        } catch (const std::exception& e) {
            out += "error: " + QString::fromUtf8(e.what()).replace(folder, "<folder>").toStdString() + "\n";
        }
        const ListState& state = list.State();
        out += status.texts + "state: [" + state.ListVersion + "] " + std::to_string(state.GCMCount) + " " +
               std::to_string(state.GoodCount) + " " + std::to_string(state.BadCount) +
               " changes: " + std::to_string(list.Document().ChangeCount()) + "\n";
        status.texts.clear();
    };
    const auto rows = [&out](const SortedItemCollector& view) {
        for (const ListItem& item : view.Items()) {
            out += item.image == BootImage::Tick ? "+ " : "- ";
            out += item.caption.toStdString();
            for (const QString& text : item.subItems)
                out += "\t" + text.toStdString();
            out += "\n";
        }
    };

    step("load", [&] { out += list.LoadMainList(status) == StartupLoad::Loaded ? "loaded\n" : "missing\n"; });
    const QLocale previous;
    std::vector<ListItem> shown;
    for (const QLocale& locale : locales) {
        QLocale::setDefault(locale);
        const std::string in = " [" + locale.name().toStdString() + "]";
        SortedItemCollector view(CaptionCollator(locale, path));
        step("show all" + in, [&] { list.ShowMainList(BootFilter::AllRecords, view, status); });
        rows(view);
        shown = view.Items();
        step("show bootable" + in, [&] { list.ShowMainList(BootFilter::BootableOnly, view, status); });
        rows(view);
        for (const QString& text : searches) {
            step("search '" + text.toStdString() + "'" + in, [&] { list.Search(text, BootFilter::AllRecords, view); });
            rows(view);
        }
    }
    QLocale::setDefault(previous);

    // Start-up with the list on screen, then a reload: the one walk that
    // completes, counts and fills (its counts are in the summaries).
    {
        MainList onScreen(folder);
        onScreen.SetPath(path);
        SortedItemCollector view(CaptionCollator(previous, path));
        step("load and show bootable", [&] { onScreen.LoadAndShowMainList(BootFilter::BootableOnly, view, status); });
        rows(view);
        step("reload", [&] { onScreen.ReloadMainList(BootFilter::AllRecords, view, status); });
        rows(view);
    }
    // The command line's summary: start-up counting every record in its walk.
    {
        MainList counted(folder);
        counted.SetPath(path);
        step("load and count", [&] { counted.LoadAndCountMainList(status); });
    }

    // The comparison reads every record of both lists: against an empty list
    // every game is new, and against itself nothing changed.
    {
        QFile empty(dir.filePath(QStringLiteral("empty.xml")));
        if (empty.open(QIODevice::WriteOnly))
            empty.write("<IMAGE><VERSION><NUMBER>0</NUMBER></VERSION></IMAGE>");
    }
    for (const char* older : {"empty.xml", MainListFileName}) {
        MainList olderList(folder);
        MainList newerList(folder);
        olderList.SetPath(path);
        newerList.SetPath(path);
        step(std::string("changes from ") + older, [&] {
            const ListChanges changes =
                ListChanges::Compare(olderList, QString::fromLatin1(older), newerList,
                                     QString::fromLatin1(MainListFileName), CaptionCollator(previous, path));
            for (const ListChange& change : changes.Changes())
                out += ListChanges::KindText(change.kind).toStdString() + "\t" + change.gameId.toStdString() + "\t" +
                       change.name.toStdString() + "\t" + ListChanges::StatusText(change.newStatus).toStdString() +
                       "\t" + change.fields.join(',').toStdString() + "\n";
            out += changes.Counts().Summary().toStdString() + "\n";
        });
    }

    if (files == TranscriptFiles::ExportAndCustomList) {
        step("export", [&] {
            list.ExportHtml();
            out += readFile(HtmlExportFileName);
        });
        step("save", [&] {
            list.SaveCustomList(shown);
            out += readFile(CustomListFileName);
        });
        SortedItemCollector view(CaptionCollator(previous, path));
        step("show custom", [&] { list.ShowCustomList(BootFilter::AllRecords, view, status); });
        rows(view);
    }
    out += "list file " + std::string(readFile(MainListFileName) == mainList ? "unchanged" : "changed") + "\n";
    return out;
}

/// Empty when the transcripts are equal; else the first line in which they
/// differ, numbered from 1, as each has it.
inline std::string FirstDifference(const std::string& fast, const std::string& plain)
{
    if (fast == plain)
        return {};
    std::size_t at = 0;
    int line = 1;
    while (at < fast.size() && at < plain.size() && fast[at] == plain[at])
        line += fast[at++] == '\n';
    const auto lineAround = [at](const std::string& text) {
        const std::size_t begin = text.rfind('\n', at == 0 ? 0 : at - 1);
        const std::size_t from = begin == std::string::npos || at == 0 ? 0 : begin + 1;
        return text.substr(from, text.find('\n', from) - from);
    };
    return "line " + std::to_string(line) + ": fast \"" + lineAround(fast) + "\", plain \"" + lineAround(plain) + "\"";
}

} // namespace quorvane::app::test
