#include "form1.h"

#include "accessibility.h"
#include "form_builder.h"
#include "link_label.h"
#include "picture_button.h"
#include "pictures.h"
#include "stroke_lookup.h"
#include "window_place.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QUrl>

namespace {

template <typename Widget> Widget* control(QWidget* form, const char* name) {
    auto* widget = form->findChild<Widget*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    Q_ASSERT_X(widget, "Form1", name);
    return widget;
}

} // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    installAccessibleInterfaces();
    buildForm(this, kForm1, kForm1Controls);
    background_ = loadPicture(picturePath(kForm1.backgroundPicture));
    text1_ = control<QLineEdit>(this, "Text1");
    text2_ = control<QLineEdit>(this, "Text2");
    command1_ = control<PictureButton>(this, "Command1");
    command2_ = control<PictureButton>(this, "Command2");
    check1_ = control<PictureButton>(this, "Check1");
    label1_ = control<LinkLabel>(this, "Label1");
    for (const ControlSpec& layout : kForm1Controls) {
        if (layout.isDefault)
            defaultButton_ = control<PictureButton>(this, layout.name);
    }

    check1_->setChecked(true); // look up on every change from the start
    text1_->setFocus();

    // Centred by its frame where the program places it, and never at another size.
    keepPlacedAndSized(this);

    connect(command1_, &PictureButton::clicked, this, &Form1::onCommand1Clicked);
    connect(text1_, &QLineEdit::textChanged, this, &Form1::onText1Changed);
    connect(command2_, &PictureButton::clicked, this, &Form1::onCommand2Clicked);
    connect(label1_, &LinkLabel::clicked, this, &Form1::onLabel1Clicked);
}

void Form1::load() {
    strokeTable_ = LoadStrokeTable();
}

int Form1::check1Value() const {
    return check1_->isChecked() ? 1 : 0;
}

void Form1::changeEvent(QEvent* event) {
    // The desktop switched colour schemes: the text boxes' ink is chosen anew.
    if (event->type() == QEvent::PaletteChange)
        applyColours(this, kForm1Controls);
    QWidget::changeEvent(event);
}

void Form1::paintEvent(QPaintEvent*) {
    // The background picture is larger than the window: drawn unscaled, clipped.
    QPainter painter(this);
    painter.fillRect(rect(), toColor(kForm1.background));
    painter.drawPixmap(0, 0, background_);
}

void Form1::keyPressEvent(QKeyEvent* event) {
    // Enter reaches the window from every control that does not use it itself, and
    // presses the default button, unless another button has the focus.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<PictureButton*>(focusWidget());
        (focused && !focused->isCheckable() ? focused : defaultButton_)->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing the only window ends the program. The window stays until the program ends,
    // as after Command2: Qt's Wayland platform, left to tear down a window that the
    // compositor has closed, now and then hangs on its way out.
    event->ignore();
    QCoreApplication::exit(0);
}

// The look-up action.
void Form1::onCommand1Clicked() {
    text2_->setText(QString());
    // An open input-method composition survives only if the focus and selection are
    // left alone when they are already right, so change them only when they are not.
    if (!text1_->hasFocus())
        text1_->setFocus(Qt::OtherFocusReason);
    selectAllOfText1();

    const QString text = text1_->text();
    const LookupOutcome outcome = LookupStrokes(
        strokeTable_, std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<size_t>(text.size())));
    switch (outcome.kind) {
    case LookupOutcome::Skipped:
        break;
    case LookupOutcome::NotFound:
        text1_->setText(QString()); // a change of Text1 itself: it may look up again
        break;
    case LookupOutcome::Found:
        text2_->setText(QString::fromStdU16String(outcome.resultText));
        break;
    }
}

void Form1::selectAllOfText1() {
    const int length = int(text1_->text().size());
    if (length > 0 && (text1_->selectionStart() != 0 || text1_->selectionLength() != length))
        text1_->setSelection(0, length);
}

void Form1::onText1Changed() {
    if (check1Value() == 1)
        onCommand1Clicked();
}

void Form1::onCommand2Clicked() {
    // Ends at once: no close events, nothing asked.
    QCoreApplication::exit(0);
}

void Form1::onLabel1Clicked() {
    if (!QDesktopServices::openUrl(QUrl(QString::fromUtf16(kAuthorAddress))))
        reportUnopenedAddress();
}

void Form1::reportUnopenedAddress() {
    // Not opening a browser is no reason to end: say so and leave the address to copy.
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                QStringLiteral("无法打开网页浏览器。作者的网站是：\n%1")
                                    .arg(QString::fromUtf16(kAuthorAddress)),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("unopenedAddressMessage"));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
