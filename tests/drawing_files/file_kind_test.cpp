#include "drawing_files/file_kind.h"

#include <gtest/gtest.h>

using namespace vellisk;

TEST(FileKindTest, ExtensionDecidesTheProjectKind) {
    EXPECT_EQ(FileKindOf("a/b/part.plt"), 1);
    EXPECT_EQ(FileKindOf("part.DXF"), 2);
    EXPECT_EQ(FileKindOf("part.dxf"), 2);
    EXPECT_EQ(FileKindOf("/x/y/part.DxF"), 2);
    EXPECT_EQ(FileKindOf("part.Nc"), 3);
    EXPECT_EQ(FileKindOf("photo.bmp"), 4);
    EXPECT_EQ(FileKindOf("photo.BMP"), 4);
    EXPECT_EQ(FileKindOf("notes.txt"), 1);
    EXPECT_EQ(FileKindOf("noextension"), 1);
    EXPECT_EQ(FileKindOf("dir.nc/file"), 1);
}
