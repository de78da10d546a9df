#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Every connection consults the trust store in the user's settings file;
    // the tests keep theirs in a folder of their own, never in the user's.
    const quorvane::test::TempDir config("quorvane-update-config");
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
