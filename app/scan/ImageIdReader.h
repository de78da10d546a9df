#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane::app {

/// What the head of a GCM image names: its game ID and disc.
struct ImageId {
    /// The characters of a game ID.
    static constexpr std::size_t GameIdLength = 6;

    /// The game ID, GameIdLength characters: letters A-Z and digits 0-9.
    std::string gameId;
    /// 1 for the first disc, 2 for the second.
    int disc = 1;

    friend bool operator==(const ImageId&, const ImageId&) = default;
};

/// What reading one file's head found.
struct ImageHead {
    enum class Kind {
        /// A GCM image: `id` holds its game ID and disc.
        Image,
        /// Any other file: a name without the image extension, a head that
        /// does not fit, a file shorter than the head, or no regular file.
        Other,
        /// The file could not be opened or read: `errorCode` is the system's
        /// error number.
        Unreadable,
    };
    Kind kind = Kind::Other;
    ImageId id;
    int errorCode = 0;
};

/// Reads a GCM image's game ID from the head of its file: the ID's bytes
/// (ImageId::GameIdLength), each a capital ASCII letter or a digit, then the
/// disc number (0 for the first disc, 1 for the second). Only those bytes
/// are read; files are opened read-only, never written, and their access
/// time is left alone where the system allows it.
class ImageIdReader {
public:
    /// The bytes of the head: the game ID, then the disc.
    static constexpr std::size_t HeadSize = ImageId::GameIdLength + 1;

    /// True when `fileName` ends in ".gcm" or ".iso", in any case.
    static bool HasImageName(std::string_view fileName);

    /// The ID and disc that `head` (the file's first bytes) names; nothing
    /// when it is shorter than HeadSize or its bytes do not fit.
    static std::optional<ImageId> Parse(std::string_view head);

    /// Reads the head of `name` inside the folder open as `folderFd`
    /// (AT_FDCWD for the working directory, or a path in `name`). The name
    /// is not checked here; a file that is not a regular file is Other and
    /// nothing is read from it.
    static ImageHead ReadAt(int folderFd, const char* name);

    /// The whole test for one file: Other unless its name has an image
    /// extension, else ReadAt.
    static ImageHead Read(const std::string& path);
};

} // namespace quorvane::app
