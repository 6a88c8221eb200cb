// Skin settings: colours, the accent rule, the mean colour, picture modes and control options.
#include <gtest/gtest.h>

#include "draw/draw.h"
#include "skin/engine.h"
#include "tests/skin/skin_test_util.h"

using namespace skin;

namespace {

// A w x h PNG whose left half is `left` and right half `right` (ARGB).
std::string twoColourPng(int w, int h, draw::ARGB left, draw::ARGB right) {
    draw::Bitmap bitmap;
    EXPECT_TRUE(bitmap.CreateFromScan0(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, x < w / 2 ? left : right);
    std::string bytes;
    EXPECT_TRUE(bitmap.SaveToBytes(bytes, draw::PNG_FORMAT));
    return bytes;
}

}  // namespace

TEST(SkinColours, ToArgbSwapsRedAndBlueAndTakesTheAlpha) {
    EXPECT_EQ(0xFF332211u, ToArgb(0x112233));
    EXPECT_EQ(0x80332211u, ToArgb(0x112233, 128));
    EXPECT_EQ(0x00FFFFFFu, ToArgb(0xFFFFFF, 0));
}

TEST(SkinColours, AccentIsDefaultWhenOmittedAndMainColourForMinusOne) {
    SkinSettings s;
    s.mainColour = 0x3366CC;
    SetSkin(s);
    EXPECT_EQ(DEFAULT_ACCENT, settings().accentColour);
    EXPECT_EQ(ToArgb(0x3366CC), settings().mainColour);

    s.accentColour = ACCENT_FROM_MAIN;
    SetSkin(s);
    EXPECT_EQ(0x3366CCu, settings().accentColour);

    s.accentColour = 0xFF8800;
    SetSkin(s);
    EXPECT_EQ(0xFF8800u, settings().accentColour);
}

TEST(SkinColours, MeanColourOfAUniformPictureIsThatColourOpaque) {
    std::string picture = twoColourPng(64, 48, 0xFF1E5A96, 0xFF1E5A96);
    SkinSettings s;
    s.skinImage = picture;
    SetSkin(s);
    EXPECT_EQ(0xFF1E5A96u, settings().mainColour);
    EXPECT_EQ(picture, settings().skinImage);  // mode 4 keeps the bytes
}

TEST(SkinColours, MeanColourSamplesTheWholePicture) {
    // Samples from one half only would give pure red or pure blue.
    DWORD mean = meanColourOf(twoColourPng(100, 40, 0xFFFF0000, 0xFF0000FF));
    EXPECT_NEAR(127, static_cast<int>((mean >> 16) & 0xFF), 2);
    EXPECT_EQ(0, static_cast<int>((mean >> 8) & 0xFF));
    EXPECT_NEAR(127, static_cast<int>(mean & 0xFF), 2);
    EXPECT_EQ(0xFFu, mean >> 24);
}

TEST(SkinColours, NoPictureUsesTheButtonFaceAndAnUndecodablePictureStaysColourOnly) {
    SetSkin(SkinSettings{});
    EXPECT_TRUE(settings().skinImage.empty());
    EXPECT_EQ(ToArgb(GetSysColor(COLOR_BTNFACE)), settings().mainColour);

    SkinSettings broken;
    broken.skinImage = "not a picture";
    broken.mode = 0;
    SetSkin(broken);
    EXPECT_TRUE(settings().skinImage.empty());
    EXPECT_EQ(ToArgb(GetSysColor(COLOR_BTNFACE)), settings().mainColour);
}

TEST(SkinPictures, ComposeModesTintThePictureIntoTheMainColour) {
    std::string picture = twoColourPng(40, 30, 0xFFFFFFFF, 0xFFFFFFFF);
    for (int mode : {0, 1}) {
        SkinSettings s;
        s.skinImage = picture;
        s.mainColour = RGB(0, 0, 255);  // blue
        s.mode = mode;
        SetSkin(s);
        draw::Bitmap composed;
        ASSERT_TRUE(composed.CreateFromBytes(settings().skinImage)) << "mode " << mode;
        UINT w = 0, h = 0;
        composed.GetWidth(w);
        composed.GetHeight(h);
        EXPECT_EQ(40u, w);
        EXPECT_EQ(30u, h);
        draw::ARGB pixel = 0;
        composed.GetPixel(10, 10, pixel);
        // White washed towards blue: blue stays full, red and green drop but stay above zero.
        EXPECT_EQ(0xFFu, pixel & 0xFF);
        EXPECT_GT((pixel >> 16) & 0xFF, 60u);
        EXPECT_LT((pixel >> 16) & 0xFF, 250u);
    }
    // Modes 2 to 4 keep the bytes as given.
    SkinSettings keep;
    keep.skinImage = picture;
    keep.mode = 3;
    SetSkin(keep);
    EXPECT_EQ(picture, settings().skinImage);
}

TEST(SkinPictures, APictureFileIsLoadedAndReencodedAsPng) {
    std::string picture = twoColourPng(20, 10, 0xFF00FF00, 0xFF00FF00);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string path = std::string(temp) + "skin_test_picture.png";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, picture.data(), static_cast<DWORD>(picture.size()), &written, nullptr);
    CloseHandle(file);
    SkinSettings s;
    s.skinFile = path;
    s.skinImage = "ignored when a file is given";
    SetSkin(s);
    DeleteFileA(path.c_str());
    ASSERT_GE(settings().skinImage.size(), 8u);
    EXPECT_EQ(std::string("\x89PNG", 4), settings().skinImage.substr(0, 4));
    EXPECT_EQ(0xFF00FF00u, settings().mainColour);
}

TEST(SkinOptions, VeilIsOnExactlyWhenAnAlphaIsGiven) {
    SetControlSkinOptions(true);
    EXPECT_TRUE(settings().controlsOn);
    EXPECT_FALSE(settings().veilOn);
    EXPECT_EQ(DEFAULT_VEIL_ALPHA, settings().veilAlpha);
    SetControlSkinOptions(true, 100);
    EXPECT_TRUE(settings().veilOn);
    EXPECT_EQ(100, settings().veilAlpha);
    SetControlSkinOptions(false, 100, false);
    EXPECT_FALSE(settings().controlsOn);
    EXPECT_FALSE(settings().trackbarOption);
    SetControlSkinOptions(true);
}

TEST(SkinOptions, BuiltInPictureIsA640By480Jpeg) {
    std::string picture = BuiltInSkinPicture();
    ASSERT_GT(picture.size(), 1000u);
    EXPECT_EQ(std::string("\xFF\xD8", 2), picture.substr(0, 2));
    draw::Image image;
    ASSERT_TRUE(image.LoadFromBytes(picture));
    UINT w = 0, h = 0;
    image.GetWidth(w);
    image.GetHeight(h);
    EXPECT_EQ(640u, w);
    EXPECT_EQ(480u, h);
}

TEST(SkinMaximise, WorkAreaLeavesTheTaskbarUncovered) {
    RECT bottom{0, 770, 1280, 800};
    RECT area = workAreaFromTaskbar(1280, 800, &bottom);
    EXPECT_EQ((RECT{0, 0, 1280, 770}).bottom, area.bottom);
    EXPECT_EQ(0, area.top);
    RECT left{-2, 0, 60, 800};  // a few pixels off the edge still counts as the edge
    area = workAreaFromTaskbar(1280, 800, &left);
    EXPECT_EQ(60, area.left);
    EXPECT_EQ(1280, area.right);
    RECT top{0, 0, 1280, 40};
    EXPECT_EQ(40, workAreaFromTaskbar(1280, 800, &top).top);
    RECT right{1230, 0, 1280, 800};
    EXPECT_EQ(1230, workAreaFromTaskbar(1280, 800, &right).right);
    RECT hidden{0, 800, 1280, 830};  // moved off the screen
    area = workAreaFromTaskbar(1280, 800, &hidden);
    EXPECT_EQ(800, area.bottom);
    area = workAreaFromTaskbar(1280, 800, nullptr);
    EXPECT_EQ(1280, area.right);
    EXPECT_EQ(800, area.bottom);
}
