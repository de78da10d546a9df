#pragma once

#include "app/list/CaptionCollator.h"
#include "app/scan/ScanReport.h"

#include <string>

namespace quorvane::app {

class MainList;
struct ScanControl;

/// "Which of my games boot": scans a folder for GCM images and matches each
/// to the Main List's records by game ID. The command line's `scan` and the
/// My Games page both run it, so they show the same rows and counts.
class GameScan {
public:
    /// Loads "gcmList.xml" into `list` as the command line's `summary` does:
    /// a missing list throws FileOpenError ("Cannot open file ..."), a
    /// broken one the XML layer's error.
    static void LoadMainList(MainList& list);

    /// Scans `folder` (the file system's own bytes, relative to the working
    /// directory or absolute) and its sub-folders (FolderScanner) and matches
    /// every image to the records of the document loaded in `list`: a record
    /// matches when its GAMEID, with
    /// surrounding blanks dropped and ASCII letters compared ignoring case,
    /// is the image's game ID. The first match in list order gives the name,
    /// notes, instructions and boot status; all matches are counted.
    /// Throws ScanFolderError (with the folder's full path) when `folder` is
    /// missing or not a folder, and what the document raises while it is
    /// read. `control`, when given, counts files and cancels (the report is
    /// then partial and says so). Rows are sorted with `collator`.
    static ScanReport Run(MainList& list, const std::string& folder, ScanControl* control = nullptr,
                          const CaptionCollator& collator = CaptionCollator());
};

} // namespace quorvane::app
