#pragma once

#include "tests/support/ScriptedPeer.h"

#include <string>

namespace quorvane::test {

/// The server side of the list update as the update flow talks to it, for a
/// scripted peer: the account is "lists", data connections are passive.

/// The greeting and "AUTH TLS" refused: a server without TLS, with which an
/// ftp:// update goes on in the clear (USER is expected next, not yet asked).
ScriptedPeer& ScriptGreetingWithoutTls(ScriptedPeer& peer);

/// Greeting, "AUTH TLS"/500, USER/331, PASS/230, "TYPE I"/200, SYST/`systReply`, then
/// "CWD <directory>" expected (not yet answered).
ScriptedPeer& ScriptUpdateUpToCwd(ScriptedPeer& peer, const std::string& directory,
                                  const std::string& systReply = "215 UNIX Type: L8");

/// The same, the CWD answered 250 and a passive "LIST" that sends `listing`.
ScriptedPeer& ScriptUpdateUpToDownload(ScriptedPeer& peer, const std::string& directory,
                                       const std::string& listing = "gcmList.xml\r\n");

/// A download up to its "150": "SIZE gcmList.xml" answered `sizeReply`, PASV,
/// the data connection accepted, "RETR gcmList.xml".
ScriptedPeer& ScriptDownloadStart(ScriptedPeer& peer, const std::string& sizeReply);

/// A submission's start up to its upload: the update's script up to
/// "CWD incoming/" answered, the passive data connection accepted and
/// "STOR custGCMList-..." answered "150" (the data not yet read).
ScriptedPeer& ScriptReportUpload(ScriptedPeer& peer);

/// A report stored in "incoming/" and aborted: the login, CWD, PASV, the data
/// connection accepted, "STOR custGCMList-..." answered 150, then "ABOR"
/// answered 426 and 226, "DELE" of the same name answered `deleReply`, and
/// the connection closed.
ScriptedPeer& ScriptAbortedSubmission(ScriptedPeer& peer, const std::string& deleReply);

} // namespace quorvane::test
