#include "form_layout.h"

#include <algorithm>

namespace {

constexpr FontSpec kSong21Bold{u"宋体", 15.75, 700, false, kGb2312Charset};
constexpr FontSpec kSong21{u"宋体", 15.75, 400, false, kGb2312Charset};
constexpr FontSpec kHei16{u"黑体", 12, 400, false, kGb2312Charset};
constexpr FontSpec kKai19Bold{u"楷体_GB2312", 14.25, 700, false, kGb2312Charset};
constexpr FontSpec kSong12Underlined{u"宋体", 9, 400, true, kGb2312Charset};

constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};

} // namespace

// clang-format off
const FormSpec kForm1{
    "Form1", u"Quorvel :-)", {3405, 1845}, {0x00, 0xFF, 0x00},
    "background.jpg", "clover.ico"};

const std::array<ControlSpec, 6> kForm1Controls{{
    {"Text1", ControlKind::InputBox, {360, 240, 735, 495}, kWhite, std::nullopt,
     kSong21Bold, TextAlign::Left, u"",
     u"在此处输入待求笔划的字(简体、繁体或者日文、韩文)", u"输入汉字",
     {}, nullptr, 0, false},
    {"Text2", ControlKind::ResultBox, {1200, 240, 1335, 495}, Rgb{0xE0, 0xE0, 0xE0}, std::nullopt,
     kSong21, TextAlign::Centre, u"",
     u"显示结果", u"笔划结果",
     {}, nullptr, 1, false},
    {"Command1", ControlKind::PictureButton, {360, 960, 1095, 495}, kWhite, std::nullopt,
     kHei16, TextAlign::Centre, u"",
     u"按下该按钮或者按回车键，自动求笔划", u"数笔划",
     {"command1-normal.jpg", "command1-down.jpg", nullptr}, nullptr, 2, true},
    {"Command2", ControlKind::PictureButton, {1920, 960, 1095, 495}, Rgb{0x00, 0xC0, 0x00}, std::nullopt,
     kHei16, TextAlign::Centre, u"",
     u"退出程序", u"退出",
     {"command2-normal.jpg", "command2-down.jpg", "command2-disabled.jpg"}, nullptr, 3, false},
    {"Check1", ControlKind::PictureToggle, {2640, 240, 450, 450}, kWhite, std::nullopt,
     kKai19Bold, TextAlign::Centre, u"",
     u"按下该按钮，输入汉字后即时显示笔划。", u"即时显示笔划",
     {"check1-up.jpg", "check1-down.jpg", nullptr}, nullptr, 4, false},
    {"Label1", ControlKind::LinkLabel, {120, 1605, 2775, 255}, std::nullopt, Rgb{0x80, 0xFF, 0x80},
     kSong12Underlined, TextAlign::Left, kAuthorAddress,
     u"点击进入作者的网站", u"作者的网站",
     {}, "hand.cur", 5, false},
}};
// clang-format on

std::array<const ControlSpec*, 6> inTabOrder(const std::array<ControlSpec, 6>& controls) {
    std::array<const ControlSpec*, 6> byTab{};
    std::transform(controls.begin(), controls.end(), byTab.begin(), [](auto& c) { return &c; });
    std::sort(byTab.begin(), byTab.end(),
              [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
    return byTab;
}
