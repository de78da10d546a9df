#pragma once

namespace quorvane::app {

/// The files of the program, always named without a path (they live in the
/// working directory, or in the folder a MainList was given).
inline constexpr const char* MainListFileName = "gcmList.xml";
inline constexpr const char* CustomListFileName = "custGCMList.xml";
inline constexpr const char* DownloadedListFileName = "gcmList.BAK";
/// The Main List an update replaced, kept beside the new one.
inline constexpr const char* PreviousListFileName = "gcmList.previous.xml";
inline constexpr const char* HtmlExportFileName = "compat.htm";

} // namespace quorvane::app
