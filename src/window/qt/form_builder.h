#pragma once

#include "form_layout.h"

#include <QColor>
#include <QRect>
#include <QString>

class QWidget;

// Qt's logical pixel is the 96-dpi pixel, so geometry converts at 96 dpi.
constexpr QRect toPixels(TwipsRect twips) {
    return {twipsToPixels(twips.left), twipsToPixels(twips.top), twipsToPixels(twips.width),
            twipsToPixels(twips.height)};
}

inline QColor toColor(Rgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

// The Qt resource path of a picture of assets/.
inline QString picturePath(const char* file) {
    return file ? QStringLiteral(":/pictures/") + QLatin1String(file) : QString();
}

// Where neither the wanted face nor a substitute of it is installed, makes any installed
// face of its character set stand in: nearer than the desktop's default, which may lack
// the ideographs.
void addLastResortFace(const FontSpec& wanted);

// Gives `form` the settings of `window` and creates its controls, named after their
// descriptions, with tab order, fonts, colours, pictures and tool tips.
void buildForm(QWidget* form, const FormSpec& window, const std::array<ControlSpec, 6>& controls);

// Gives the controls of `form` their colours again from the desktop's palette, as it is
// now: a desktop may switch its colour scheme while the program runs.
void applyColours(QWidget* form, const std::array<ControlSpec, 6>& controls);
