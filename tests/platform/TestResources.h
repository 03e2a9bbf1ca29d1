#pragma once
// A resource folder written by hand for the framework tests: a dialog with one control of
// every kind, a menu, strings, and small pictures whose pixels the tests know.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vqtest {

// A 24-bit bottom-up BMP, pixels given top row first as 0xRRGGBB.
inline std::vector<std::uint8_t> Bmp24(int w, int h, const std::vector<std::uint32_t>& rgbTopDown) {
    const int stride = ((w * 3 + 3) / 4) * 4;
    const int size = 54 + stride * h;
    std::vector<std::uint8_t> b(std::size_t(size), 0);
    auto put32 = [&b](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
        }
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, std::uint32_t(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(w));
    put32(22, std::uint32_t(h));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < h; ++y) {
        const std::size_t row = 54 + std::size_t(stride) * std::size_t(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = rgbTopDown[std::size_t(y * w + x)];
            b[row + std::size_t(x) * 3] = std::uint8_t(c);
            b[row + std::size_t(x) * 3 + 1] = std::uint8_t(c >> 8);
            b[row + std::size_t(x) * 3 + 2] = std::uint8_t(c >> 16);
        }
    }
    return b;
}

inline void WriteFile(const std::filesystem::path& p, const std::string& text) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

inline void WriteFile(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Dialog 9001 (dialog units) and 9002 (pixels), 9010 (tab stops), 9004 (a picture radio button),
// 9005 (radio buttons, one with a picture, and a check box), menu 9100, strings 9200/9201, bitmap
// 9300 (4x2: red, magenta, green, blue / magenta x4), bitmap 9305 (12x12: a red 6x6 square in a
// magenta frame 3 pixels wide), icon 9301 (1x1 white).
inline std::filesystem::path MakeTestResources(const std::filesystem::path& dir) {
    WriteFile(dir / "test.vqrc",
              "# test templates\n"
              "DIALOG 9001 200 100 UNITS DLU\n"
              "  CAPTION \"测试\"\n"
              "  FONT 9 \"宋体\"\n"
              "  CONTROL 10 static 4 4 40 8 \"标签\"\n"
              "  CONTROL 11 edit 50 4 60 12 \"\" autohscroll\n"
              "  CONTROL 12 edit 50 20 60 12 \"\" password\n"
              "  CONTROL 13 edit 50 36 60 12 \"\" number\n"
              "  CONTROL 14 edit 120 4 70 40 \"\" multiline|wantreturn\n"
              "  CONTROL 15 checkbox 4 52 50 10 \"选中\"\n"
              "  CONTROL 16 radio 4 64 40 10 \"一\" group\n"
              "  CONTROL 17 radio 48 64 40 10 \"二\"\n"
              "  CONTROL 18 radio 92 64 40 10 \"三\"\n"
              "  CONTROL 19 radio 136 64 40 10 \"别组\" group\n"
              "  CONTROL 20 button 4 80 40 14 \"按钮\" ownerdraw\n"
              "  CONTROL 21 button 50 80 40 14 \"隐藏\" hidden\n"
              "  CONTROL 22 ipaddress 96 80 60 12 \"\"\n"
              "  CONTROL 23 picture 160 80 4 2 \"\" IMAGE 9300\n"
              "  CONTROL 24 html 0 0 10 10 \"\" hidden\n"
              "  CONTROL 1 button 100 52 40 14 \"确定\" default\n"
              "END\n"
              "DIALOG 9002 40 30 UNITS PX\n"
              "  STYLE popup\n"
              "  EXSTYLE topmost|toolwindow\n"
              "  CONTROL 30 button 10 10 8 6 \"\" ownerdraw\n"
              "END\n"
              "DIALOG 9010 200 80 UNITS PX\n"
              "  CONTROL 11 edit 4 4 60 16 \"\" tabstop\n"
              "  CONTROL 20 button 4 24 40 16 \"\" ownerdraw|tabstop\n"
              "  CONTROL 21 button 50 24 40 16 \"隐\" hidden|tabstop\n"
              "  CONTROL 22 button 96 24 40 16 \"停\" disabled|tabstop\n"
              "  CONTROL 15 checkbox 4 44 60 12 \"选\" tabstop\n"
              "  CONTROL 10 static 4 60 40 12 \"字\"\n"
              "  CONTROL 1 button 140 4 50 16 \"确定\" default|tabstop\n"
              "END\n"
              "DIALOG 9004 40 20 UNITS PX\n"
              "  STYLE popup\n"
              "  CONTROL 40 radio 0 0 30 10 \"\" IMAGE 9300\n"
              "END\n"
              "DIALOG 9005 160 60 UNITS PX\n"
              "  STYLE popup\n"
              "  CONTROL 50 radio 10 5 60 16 \"\" group IMAGE 9305\n"
              "  CONTROL 51 radio 10 25 60 16 \"甲\"\n"
              "  CONTROL 52 checkbox 80 5 70 16 \"乙\"\n"
              "END\n"
              "DIALOG 9003 100 80 UNITS PX\n"
              "  STYLE child\n"
              "END\n"
              "MENU 9100\n"
              "  POPUP \"弹出\"\n"
              "    ITEM 32001 \"第一\"\n"
              "    SEPARATOR\n"
              "    ITEM 32002 \"第二\" DEFAULT\n"
              "  END\n"
              "END\n"
              "STRINGTABLE\n"
              "  9200 \"关于 \\\"引号\\\"\"\n"
              "  9201 \"plain\"\n"
              "END\n");
    WriteFile(dir / "pics" / "pics.idx",
              "# pictures\n"
              "bitmap 9300 pics/four.bmp\n"
              "icon   9301   pics/dot.bmp   \n"
              "bitmap 9305 pics/framed.bmp\n");
    WriteFile(dir / "pics" / "four.bmp", Bmp24(4, 2,
                                               {0xFF0000, 0xFF00FF, 0x00FF00, 0x0000FF, 0xFF00FF,
                                                0xFF00FF, 0xFF00FF, 0xFF00FF}));
    WriteFile(dir / "pics" / "dot.bmp", Bmp24(1, 1, {0xFFFFFF}));
    std::vector<std::uint32_t> framed(12 * 12, 0xFF00FF);
    for (int y = 3; y < 9; ++y) {
        for (int x = 3; x < 9; ++x) {
            framed[std::size_t(y * 12 + x)] = 0xFF0000;
        }
    }
    WriteFile(dir / "pics" / "framed.bmp", Bmp24(12, 12, framed));
    return dir;
}

}  // namespace vqtest
