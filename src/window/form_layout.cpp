#include "form_layout.h"

#include "link_label.h"
#include "picture_button.h"
#include "pictures.h"

#include <QFont>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace {

constexpr FontSpec kSong21Bold{u"宋体", 15.75, 700, false, QFontDatabase::SimplifiedChinese};
constexpr FontSpec kSong21{u"宋体", 15.75, 400, false, QFontDatabase::SimplifiedChinese};
constexpr FontSpec kHei16{u"黑体", 12, 400, false, QFontDatabase::SimplifiedChinese};
constexpr FontSpec kKai19Bold{u"楷体_GB2312", 14.25, 700, false, QFontDatabase::SimplifiedChinese};
constexpr FontSpec kSong12Underlined{u"宋体", 9, 400, true, QFontDatabase::SimplifiedChinese};

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignCenter;
constexpr Qt::Alignment kTopLeft = Qt::AlignLeft | Qt::AlignTop;

// Faces the layout asks for, and the Debian faces of the same style that stand in for them.
void registerFontSubstitutes() {
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                        QStringLiteral("AR PL UMing TW")});
    QFont::insertSubstitutions(QStringLiteral("黑体"), {QStringLiteral("WenQuanYi Zen Hei")});
    QFont::insertSubstitutions(QStringLiteral("楷体_GB2312"),
                               {QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL UKai TW")});
}

} // namespace

void addLastResortFace(const FontSpec& wanted) {
    const QString face = QString::fromUtf16(wanted.face);
    const QStringList installed = QFontDatabase::families(wanted.script);
    const QStringList substitutes = QFont::substitutes(face);
    const bool covered = installed.contains(face) ||
                         std::any_of(substitutes.begin(), substitutes.end(),
                                     [&](const QString& s) { return installed.contains(s); });
    if (!covered && !installed.isEmpty())
        QFont::insertSubstitution(face, installed.first());
}

namespace {

QFont makeFont(const FontSpec& wanted) {
    QFont font(QString::fromUtf16(wanted.face));
    font.setPointSizeF(wanted.points);
    font.setWeight(QFont::Weight(wanted.weight));
    font.setUnderline(wanted.underline);
    return font;
}

QWidget* createWidget(const ControlSpec& layout, QWidget* form) {
    switch (layout.kind) {
    case ControlKind::InputBox:
    case ControlKind::ResultBox: {
        auto* box = new QLineEdit(form);
        box->setReadOnly(layout.kind == ControlKind::ResultBox);
        box->setMaxLength(std::numeric_limits<int>::max()); // no length limit
        box->setAlignment(layout.alignment);
        return box;
    }
    case ControlKind::PictureButton:
    case ControlKind::PictureToggle: {
        auto* button = new PictureButton(form);
        button->setPictures(layout.pictures.normal, layout.pictures.down, layout.pictures.disabled);
        button->setCheckable(layout.kind == ControlKind::PictureToggle);
        return button;
    }
    case ControlKind::LinkLabel: {
        auto* label = new LinkLabel(form);
        label->setText(QString::fromUtf16(layout.caption));
        label->setAlignment(layout.alignment);
        label->setFocusPolicy(Qt::NoFocus);
        return label;
    }
    }
    return nullptr;
}

void applyLooks(QWidget* widget, const ControlSpec& layout) {
    QPalette palette = widget->palette();
    if (layout.face) {
        palette.setColor(QPalette::Base, QColor::fromRgb(*layout.face));
        palette.setColor(QPalette::Button, QColor::fromRgb(*layout.face));
    }
    if (layout.text)
        palette.setColor(QPalette::WindowText, QColor::fromRgb(*layout.text));
    widget->setPalette(palette);
    widget->setFont(makeFont(layout.font));
    widget->setToolTip(QString::fromUtf16(layout.toolTip));
    widget->setAccessibleName(QString::fromUtf16(layout.accessibleName));
    if (layout.cursor)
        widget->setCursor(loadCursor(layout.cursor));
}

} // namespace

// clang-format off
const FormSpec kForm1{
    "Form1", u"Quorvel :-)", {3405, 1845}, 0xFF00FF00,
    ":/pictures/background.jpg", ":/pictures/clover.ico"};

const std::array<ControlSpec, 6> kForm1Controls{{
    {"Text1", ControlKind::InputBox, {360, 240, 735, 495}, 0xFFFFFFFF, std::nullopt,
     kSong21Bold, kLeft, u"",
     u"在此处输入待求笔划的字(简体、繁体或者日文、韩文)", u"输入汉字",
     {}, nullptr, 0, false},
    {"Text2", ControlKind::ResultBox, {1200, 240, 1335, 495}, 0xFFE0E0E0, std::nullopt,
     kSong21, kCentre, u"",
     u"显示结果", u"笔划结果",
     {}, nullptr, 1, false},
    {"Command1", ControlKind::PictureButton, {360, 960, 1095, 495}, 0xFFFFFFFF, std::nullopt,
     kHei16, kCentre, u"",
     u"按下该按钮或者按回车键，自动求笔划", u"数笔划",
     {":/pictures/command1-normal.jpg", ":/pictures/command1-down.jpg", nullptr}, nullptr, 2, true},
    {"Command2", ControlKind::PictureButton, {1920, 960, 1095, 495}, 0xFF00C000, std::nullopt,
     kHei16, kCentre, u"",
     u"退出程序", u"退出",
     {":/pictures/command2-normal.jpg", ":/pictures/command2-down.jpg",
      ":/pictures/command2-disabled.jpg"}, nullptr, 3, false},
    {"Check1", ControlKind::PictureToggle, {2640, 240, 450, 450}, 0xFFFFFFFF, std::nullopt,
     kKai19Bold, kCentre, u"",
     u"按下该按钮，输入汉字后即时显示笔划。", u"即时显示笔划",
     {":/pictures/check1-up.jpg", ":/pictures/check1-down.jpg", nullptr}, nullptr, 4, false},
    {"Label1", ControlKind::LinkLabel, {120, 1605, 2775, 255}, std::nullopt, 0xFF80FF80,
     kSong12Underlined, kTopLeft, kAuthorAddress,
     u"点击进入作者的网站", u"作者的网站",
     {}, ":/pictures/hand.cur", 5, false},
}};
// clang-format on

void buildForm(QWidget* form, const FormSpec& window, const std::array<ControlSpec, 6>& controls) {
    registerFontSubstitutes();
    form->setObjectName(QLatin1String(window.name));
    form->setWindowTitle(QString::fromUtf16(window.caption));
    form->setWindowIcon(QIcon(QLatin1String(window.icon)));
    form->setFixedSize(twipsToPixels(window.clientTwips.width()),
                       twipsToPixels(window.clientTwips.height()));

    std::array<const ControlSpec*, 6> byTab{};
    std::transform(controls.begin(), controls.end(), byTab.begin(), [](auto& c) { return &c; });
    std::sort(byTab.begin(), byTab.end(),
              [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
    QWidget* previous = nullptr;
    for (const ControlSpec* control : byTab) {
        QWidget* widget = createWidget(*control, form);
        widget->setObjectName(QLatin1String(control->name));
        widget->setGeometry(twipsToPixels(control->twips));
        addLastResortFace(control->font);
        applyLooks(widget, *control);
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous)
                QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
}
