#pragma once

#include <QCursor>
#include <QPixmap>
#include <QPoint>

#include <optional>

class QByteArray;

// Loads a picture resource, taking its "@2x" sibling on high-density screens.
// An empty path gives a null pixmap.
QPixmap loadPicture(const QString& path);

// Loads a .cur resource as a cursor with the hot spot its file records.
QCursor loadCursor(const QString& path);

// The hot spot of the first image of a .cur file, or nothing when it is no cursor file.
std::optional<QPoint> cursorHotSpot(const QByteArray& curFile);
