#include "tests/support/UpdateScript.h"

namespace quorvane::test {

ScriptedPeer& ScriptGreetingWithoutTls(ScriptedPeer& peer)
{
    return peer.Reply("220 lists").Expect("AUTH TLS").Reply("500 AUTH not understood.");
}

ScriptedPeer& ScriptUpdateUpToCwd(ScriptedPeer& peer, const std::string& directory, const std::string& systReply)
{
    return ScriptGreetingWithoutTls(peer)
        .Expect("USER lists")
        .Reply("331 password")
        .ExpectPrefix("PASS ")
        .Reply("230 in")
        .Expect("TYPE I")
        .Reply("200 ok")
        .Expect("SYST")
        .Reply(systReply)
        .Expect("CWD " + directory);
}

ScriptedPeer& ScriptUpdateUpToDownload(ScriptedPeer& peer, const std::string& directory, const std::string& listing)
{
    return ScriptUpdateUpToCwd(peer, directory)
        .Reply("250 ok")
        .Expect("PASV")
        .ReplyPassive()
        .AcceptData()
        .Expect("LIST")
        .Reply("150 here")
        .SendData(listing)
        .CloseData()
        .Reply("226 done");
}

ScriptedPeer& ScriptDownloadStart(ScriptedPeer& peer, const std::string& sizeReply)
{
    return peer.Expect("SIZE gcmList.xml")
        .Reply(sizeReply)
        .Expect("PASV")
        .ReplyPassive()
        .AcceptData()
        .Expect("RETR gcmList.xml")
        .Reply("150 here");
}

ScriptedPeer& ScriptReportUpload(ScriptedPeer& peer)
{
    return ScriptUpdateUpToCwd(peer, "incoming/")
        .Reply("250 ok")
        .Expect("PASV")
        .ReplyPassive()
        .AcceptData()
        .ExpectPrefix("STOR custGCMList-")
        .Reply("150 go on");
}

ScriptedPeer& ScriptAbortedSubmission(ScriptedPeer& peer, const std::string& deleReply)
{
    return ScriptReportUpload(peer)
        .Expect("ABOR")
        .Reply("426 aborted")
        .Reply("226 abort done")
        .ExpectPrefix("DELE custGCMList-")
        .Reply(deleReply)
        .ExpectClosed();
}

} // namespace quorvane::test
