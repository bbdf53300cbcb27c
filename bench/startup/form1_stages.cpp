// src/main.cpp's steps one at a time, with the clock and resident memory after each,
// for bench_startup --stages. Arguments name work done ahead of Form1, so that its
// cost shows on its own and comes off Form1's constructor:
//   fontdb    the font database and the default font, as any window with text needs
//   pictures  Form1's JPEGs through loadPicture(), which leaves them in QPixmapCache
#include "form1.h"
#include "form_builder.h"
#include "pictures.h"
#include "process_stats.h"

#include <QApplication>
#include <QFontMetrics>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

struct Mark {
    const char* name;
    long long ns;
    long long rss;
};

Mark marks[16];
int markCount = 0;

void mark(const char* name) {
    if (markCount < int(std::size(marks)))
        marks[markCount++] = {name, monotonicNs(), statusKiB("VmRSS:")};
}

} // namespace

int main(int argc, char* argv[]) {
    mark("main");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    mark("app");

    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "fontdb") == 0) {
            QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("Quorvel"));
            mark("fontdb");
        } else if (std::strcmp(argv[i], "pictures") == 0) {
            loadPicture(picturePath(kForm1.backgroundPicture));
            for (const auto& control : kForm1Controls) {
                for (const char* path :
                     {control.pictures.normal, control.pictures.down, control.pictures.disabled})
                    loadPicture(picturePath(path));
            }
            mark("pictures");
        }
    }

    Form1 form;
    mark("form1");
    form.load();
    mark("load");
    form.show();
    mark("show");

    std::printf("stages");
    for (int i = 0; i < markCount; ++i)
        std::printf(" %s_ns=%lld %s_rss_kib=%lld", marks[i].name, marks[i].ns, marks[i].name,
                    marks[i].rss);
    std::printf("\n");
    std::fflush(stdout);
    return app.exec();
}
