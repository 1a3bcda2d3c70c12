#include "gui/resources/Pictures.h"
#include "core/resources/CommandIds.h"
#include "gui/shell/dialogs/GuiTestSupport.h"

#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace {

class PicturesTest : public ::testing::Test
{
protected:
    PicturesTest() { TestApp(); }
};

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
    return count;
}

// Pixel art has no half-transparent edges: every pixel is either fully there or not.
bool IsCrisp(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const int alpha = qAlpha(image.pixel(x, y)); alpha != 0 && alpha != 255)
                return false;
    return true;
}

bool HasMagenta(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0 && (image.pixel(x, y) & 0xffffff) == 0xff00ff)
                return true;
    return false;
}

TEST_F(PicturesTest, EveryStripPictureIsSixteenSquareWithRealTransparency)
{
    for (int index = 0; index < Strip::Count; ++index) {
        SCOPED_TRACE(index);
        const QImage image = StripPixmap(index).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(16, 16));
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_TRUE(IsCrisp(image));
        EXPECT_FALSE(HasMagenta(image));
        const int opaque = OpaquePixels(image);
        if (index == Strip::Empty || index == Strip::StateSame) {
            EXPECT_EQ(opaque, 0); // the empty pictures
        } else {
            EXPECT_GT(opaque, 20);
            EXPECT_LT(opaque, 256); // drawn on a transparent ground
        }
    }
}

TEST_F(PicturesTest, StripPicturesAreDistinctAndGreyVariantsMatchTheirShapes)
{
    std::vector<QImage> images;
    for (int index = 0; index < Strip::Count; ++index)
        images.push_back(StripPixmap(index).toImage());
    for (int a = 1; a < Strip::Count; ++a) {
        for (int b = a + 1; b < Strip::Count; ++b) {
            if (a != Strip::StateSame && b != Strip::StateSame) {
                EXPECT_NE(images[size_t(a)], images[size_t(b)]) << a << " " << b;
            }
        }
    }
    // The grey folders have the outline of the yellow ones, in other colours.
    for (auto [yellow, grey] :
        {std::pair{Strip::Project, Strip::ProjectNoSubfolders}, std::pair{Strip::Folder, Strip::FolderNoSubfolders}}) {
        const QImage y = images[size_t(yellow)];
        const QImage g = images[size_t(grey)];
        for (int row = 0; row < 16; ++row) {
            for (int column = 0; column < 16; ++column) {
                const QRgb pixel = g.pixel(column, row);
                EXPECT_EQ(qAlpha(y.pixel(column, row)), qAlpha(pixel));
                if (qAlpha(pixel) != 0) {
                    EXPECT_LT(std::abs(qRed(pixel) - qGreen(pixel)), 16);
                    EXPECT_LT(std::abs(qGreen(pixel) - qBlue(pixel)), 16);
                }
            }
        }
    }
}

TEST_F(PicturesTest, OutOfRangeIndicesGiveAnEmptyPicture)
{
    for (int index : {-1, Strip::Count, 1000}) {
        const QImage image = StripPixmap(index).toImage();
        EXPECT_EQ(image.size(), QSize(16, 16));
        EXPECT_EQ(OpaquePixels(image), 0);
    }
}

TEST_F(PicturesTest, IconsHoldACrispDoubledCopyForDenseScreens)
{
    const QIcon icon = StripPicture(Strip::ProjectNewer);
    const QImage small = icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(small, StripPixmap(Strip::ProjectNewer).toImage().convertToFormat(QImage::Format_ARGB32));
    const QImage large = icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(large.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(large.pixel(x, y), small.pixel(x / 2, y / 2)) << x << "," << y;
}

TEST_F(PicturesTest, PairsPutTwoPicturesSideBySide)
{
    const CImageList& list = CImageList::Shared();
    EXPECT_EQ(list.Count(), 15);
    const QImage pair = list.Pair(Strip::ProjectOnly, Strip::Folder)
                            .pixmap(CImageList::PairSize())
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(pair.size(), QSize(34, 16));
    const QImage left = list.Pixmap(Strip::ProjectOnly).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage right = list.Pixmap(Strip::Folder).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(pair.copy(0, 0, 16, 16), left);
    EXPECT_EQ(pair.copy(18, 0, 16, 16), right);
    EXPECT_EQ(OpaquePixels(pair.copy(16, 0, 2, 16)), 0);
    // No status: the left place stays empty.
    const QImage noStatus
        = list.Pair(-1, Strip::Folder).pixmap(CImageList::PairSize()).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(OpaquePixels(noStatus.copy(0, 0, 18, 16)), 0);
    EXPECT_EQ(noStatus.copy(18, 0, 16, 16), right);
}

TEST_F(PicturesTest, SortTrianglesPointUpAndDown)
{
    const QImage up = SortPicture(0).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage down = SortPicture(1).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(up.size(), QSize(8, 7));
    ASSERT_EQ(down.size(), QSize(8, 7));
    EXPECT_EQ(SortPicture(5).toImage().convertToFormat(QImage::Format_ARGB32), down);
    // Up: the rows widen downwards; down: they narrow.
    auto rowWidth = [](const QImage& image, int y) {
        int width = 0;
        for (int x = 0; x < image.width(); ++x)
            width += qAlpha(image.pixel(x, y)) ? 1 : 0;
        return width;
    };
    EXPECT_LT(rowWidth(up, 2), rowWidth(up, 5));
    EXPECT_GT(rowWidth(down, 1), rowWidth(down, 4));
}

TEST_F(PicturesTest, EveryToolbarButtonHasAPicture)
{
    const std::vector<int> commands = ToolbarCommands();
    ASSERT_EQ(commands.size(), 12u);
    EXPECT_EQ(commands[4], 0);
    for (int command : commands) {
        if (command == 0)
            continue;
        SCOPED_TRACE(command);
        const QImage image = ToolbarIcon(command).pixmap(QSize(16, 16)).toImage();
        ASSERT_EQ(image.size(), QSize(16, 16));
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_GT(OpaquePixels(image), 30);
        EXPECT_TRUE(IsCrisp(image.convertToFormat(QImage::Format_ARGB32)));
    }
    EXPECT_TRUE(ToolbarIcon(Cmd::Options).isNull());
}

TEST_F(PicturesTest, ProgramIconComesInEveryIconSize)
{
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage image = ProgramPixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(size - 1, 0)), 0); // a transparent ground
        EXPECT_GT(OpaquePixels(image), size * size / 4);
    }
    EXPECT_FALSE(ProgramIcon().isNull());
    EXPECT_EQ(ProgramIcon().availableSizes().size(), 8);
}

} // namespace
