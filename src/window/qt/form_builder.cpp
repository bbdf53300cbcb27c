#include "form_builder.h"

#include "link_label.h"
#include "picture_button.h"
#include "pictures.h"
#include "readable_colours.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace {

QFontDatabase::WritingSystem writingSystem(int charset) {
    return charset == kGb2312Charset ? QFontDatabase::SimplifiedChinese : QFontDatabase::Any;
}

// Text boxes centre their line vertically; the label draws it from its top-left corner.
Qt::Alignment toAlignment(const ControlSpec& layout) {
    if (layout.alignment == TextAlign::Centre)
        return Qt::AlignCenter;
    return Qt::AlignLeft |
           (layout.kind == ControlKind::LinkLabel ? Qt::AlignTop : Qt::AlignVCenter);
}

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
    const QStringList installed = QFontDatabase::families(writingSystem(wanted.charset));
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
        box->setAlignment(toAlignment(layout));
        return box;
    }
    case ControlKind::PictureButton:
    case ControlKind::PictureToggle: {
        auto* button = new PictureButton(form);
        button->setPictures(picturePath(layout.pictures.normal), picturePath(layout.pictures.down),
                            picturePath(layout.pictures.disabled));
        button->setCheckable(layout.kind == ControlKind::PictureToggle);
        return button;
    }
    case ControlKind::LinkLabel: {
        auto* label = new LinkLabel(form);
        label->setText(QString::fromUtf16(layout.caption));
        label->setAlignment(toAlignment(layout));
        label->setFocusPolicy(Qt::NoFocus);
        return label;
    }
    }
    return nullptr;
}

Rgb toRgb(const QColor& colour) {
    return {std::uint8_t(colour.red()), std::uint8_t(colour.green()), std::uint8_t(colour.blue())};
}

DesktopColours desktopColours(const QPalette& palette, QPalette::ColorGroup group) {
    return {toRgb(palette.color(group, QPalette::Base)),
            toRgb(palette.color(group, QPalette::Text)),
            toRgb(palette.color(group, QPalette::Highlight)),
            toRgb(palette.color(group, QPalette::HighlightedText))};
}

// The desktop's palette with the control's own colours. A text box's text, and its selected
// text, change only where the desktop's would not stand out from the box's fixed face.
QPalette controlPalette(const QPalette& desktop, const ControlSpec& layout) {
    QPalette palette = desktop;
    if (layout.face) {
        palette.setColor(QPalette::Base, toColor(*layout.face));
        palette.setColor(QPalette::Button, toColor(*layout.face));
    }
    if (layout.text)
        palette.setColor(QPalette::WindowText, toColor(*layout.text));
    if (!isTextBox(layout.kind) || !layout.face)
        return palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const DesktopColours given = desktopColours(desktop, group);
        const TextBoxColours shown = textBoxColours(*layout.face, given);
        if (shown.ink != given.windowText)
            palette.setColor(group, QPalette::Text, toColor(shown.ink));
        if (shown.highlightedText != given.highlightedText)
            palette.setColor(group, QPalette::HighlightedText, toColor(shown.highlightedText));
    }
    return palette;
}

void applyLooks(QWidget* widget, const ControlSpec& layout) {
    widget->setFont(makeFont(layout.font));
    widget->setToolTip(QString::fromUtf16(layout.toolTip));
    widget->setAccessibleName(QString::fromUtf16(layout.accessibleName));
    if (layout.cursor)
        widget->setCursor(loadCursor(picturePath(layout.cursor)));
}

} // namespace

void buildForm(QWidget* form, const FormSpec& window, const std::array<ControlSpec, 6>& controls) {
    registerFontSubstitutes();
    form->setObjectName(QLatin1String(window.name));
    form->setWindowTitle(QString::fromUtf16(window.caption));
    form->setWindowIcon(QIcon(picturePath(window.icon)));
    form->setFixedSize(twipsToPixels(window.clientTwips.width),
                       twipsToPixels(window.clientTwips.height));

    QWidget* previous = nullptr;
    for (const ControlSpec* control : inTabOrder(controls)) {
        QWidget* widget = createWidget(*control, form);
        widget->setObjectName(QLatin1String(control->name));
        widget->setGeometry(toPixels(control->twips));
        addLastResortFace(control->font);
        applyLooks(widget, *control);
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous)
                QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
    applyColours(form, controls);
}

void applyColours(QWidget* form, const std::array<ControlSpec, 6>& controls) {
    for (const ControlSpec& layout : controls) {
        auto* widget =
            form->findChild<QWidget*>(QLatin1String(layout.name), Qt::FindDirectChildrenOnly);
        if (widget)
            widget->setPalette(controlPalette(QApplication::palette(widget), layout));
    }
}
