#include "core/common/FileLookup.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using cravent::findFileNoCase;
using cravent::test::TempDir;

TEST(FileLookup, FindsAFileWhateverTheCaseOfItsName)
{
    TempDir dir;
    cravent::test::writeText(dir / "pargen.xml", "x");
    EXPECT_EQ(findFileNoCase(dir.path(), "Pargen.xml"), dir / "pargen.xml");
    EXPECT_EQ(findFileNoCase(dir.path(), "PARGEN.XML"), dir / "pargen.xml");
    EXPECT_EQ(findFileNoCase(dir.path(), "pargen.xml"), dir / "pargen.xml");
}

TEST(FileLookup, PrefersTheExactNameAndOtherwiseTheFirstInOrder)
{
    TempDir dir;
    cravent::test::writeText(dir / "rcobdef.xml", "lower");
    cravent::test::writeText(dir / "RCOBDEF.xml", "upper");
    EXPECT_EQ(findFileNoCase(dir.path(), "rcobdef.xml"), dir / "rcobdef.xml");
    EXPECT_EQ(findFileNoCase(dir.path(), "RCobDef.xml"), dir / "RCOBDEF.xml");
}

TEST(FileLookup, MissingFileOrFolderGivesTheNaturalPath)
{
    TempDir dir;
    EXPECT_EQ(findFileNoCase(dir.path(), "TInfoCob.xml"), dir / "TInfoCob.xml");
    EXPECT_EQ(findFileNoCase(dir / "gone", "a.xml"), dir / "gone" / "a.xml");
}
