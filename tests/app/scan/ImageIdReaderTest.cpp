// Reading a GCM image's game ID from the head of a file: sparse images of
// full size, and the heads and names that must not count as images.
#include "app/scan/ImageIdReader.h"
#include "tests/support/SparseImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quorvane::app {
namespace {

using test::ImageHeadBytes;
using test::TempDir;
using test::WriteSparseImage;

TEST(ImageIdReader, HeadsAndNames)
{
    struct Case {
        const char* name;
        std::string head;
        off_t size;
        ImageHead::Kind kind;
        ImageId id;
    };
    using Kind = ImageHead::Kind;
    const off_t fourGiB = off_t{4} << 30;
    const Case cases[] = {
        {"first.iso", ImageHeadBytes("GALE01"), fourGiB, Kind::Image, {"GALE01", 1}},
        {"second.GCM", ImageHeadBytes("GALE01", 2), test::GcmImageSize, Kind::Image, {"GALE01", 2}},
        {"digits.iSo", ImageHeadBytes("123456"), 7, Kind::Image, {"123456", 1}},
        {"short.iso", "GALE01", 6, Kind::Other, {}},
        {"empty.gcm", "", 0, Kind::Other, {}},
        {"lower.iso", ImageHeadBytes("GaLE01"), fourGiB, Kind::Other, {}},
        {"dash.iso", ImageHeadBytes("GAL-01"), fourGiB, Kind::Other, {}},
        {"space.iso", ImageHeadBytes("GALE 1"), fourGiB, Kind::Other, {}},
        {"high.iso", std::string("GALE0\xC9", 6) + '\0', fourGiB, Kind::Other, {}},
        {"disc3.iso", ImageHeadBytes("GALE01", 3), fourGiB, Kind::Other, {}},
        {"wrong.bin", ImageHeadBytes("GALE01"), fourGiB, Kind::Other, {}},
        {"double.iso.txt", ImageHeadBytes("GALE01"), fourGiB, Kind::Other, {}},
        {"iso", ImageHeadBytes("GALE01"), fourGiB, Kind::Other, {}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        WriteSparseImage(dir.Path() / c.name, c.head, c.size);
        const ImageHead head = ImageIdReader::Read(dir.File(c.name));
        EXPECT_EQ(head.kind, c.kind) << c.name;
        if (c.kind == Kind::Image) {
            EXPECT_EQ(head.id, c.id) << c.name;
        }
    }

    // A FIFO by an image's name is no image, and opening it must not wait
    // for a writer; a file that cannot be found is unreadable with its reason.
    ASSERT_EQ(::mkfifo(dir.File("pipe.iso").c_str(), 0644), 0);
    EXPECT_EQ(ImageIdReader::Read(dir.File("pipe.iso")).kind, Kind::Other);
    const ImageHead missing = ImageIdReader::Read(dir.File("missing.iso"));
    EXPECT_EQ(missing.kind, Kind::Unreadable);
    EXPECT_EQ(missing.errorCode, ENOENT);
}

} // namespace
} // namespace quorvane::app
