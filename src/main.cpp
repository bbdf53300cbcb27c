#include "form1.h"
#include "ibus_cursor.h"
#include "qt_translation.h"
#include "quorvel_application.h"
#include "run_time_error.h"
#include "title_bar.h"

#include <cstdlib>
#include <exception>

int main(int argc, char* argv[]) {
    QuorvelApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    const IbusCursorOnWayland ibusCursor;
    QtTranslation qtTexts;
    if (qtTexts.loadForUserLanguages())
        QApplication::installTranslator(&qtTexts);

    Form1 form;
    try {
        form.load();
    } catch (const std::exception& error) {
        // Without its table the program can do nothing: say why and end.
        showRunTimeError(nullptr, error);
        return EXIT_FAILURE;
    }
    const auto titled = showMainWindow(&form);
    return app.exec();
}
