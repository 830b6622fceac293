#include "dialogs/frmMessage.h"

#include "controls/FlatButton.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "dialogs/messagebox.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace {

// Design size of both boxes, twips.
constexpr int kWidth = 4800;
constexpr int kHeight = 1860;
constexpr int kButtonWidth = 900;
constexpr int kButtonHeight = 300;

} // namespace

cBoxForm::cBoxForm(const QString& name, const QStringList& captions)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(name);
    setModal(true);
    setMouseTracking(true);
    setWindowTitle(QCoreApplication::applicationName());
    Twips::setGeometry(this, 0, 0, kWidth, kHeight);
    setFixedSize(size());

    m_label = new QLabel(this);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->setTextFormat(Qt::PlainText);
    Twips::setGeometry(m_label, 180, 150, kWidth - 360, kHeight - 150 - kButtonHeight - 300);

    m_buttons = new FlatButtonArray(
        name == QLatin1String("frmMessage") ? QStringLiteral("lbbMessage") : QStringLiteral("lbbQuestion"), this);
    const int count = int(captions.size());
    int left = kWidth - 180 - count * kButtonWidth - (count - 1) * 120;
    for (int index = 0; index < count; ++index) {
        auto* button = new FlatButton(captions[index], this);
        Twips::setGeometry(button, left, kHeight - kButtonHeight - 180, kButtonWidth, kButtonHeight);
        m_buttons->add(index, button);
        left += kButtonWidth + 120;
    }
    connect(m_buttons, &FlatButtonArray::MouseClick, this, &cBoxForm::buttonClicked);
    connect(m_buttons, &FlatButtonArray::MouseMove, this, [this](int index) {
        m_buttons->highlight(index, OleColor::Highlight, OleColor::Window);
    });
}

QString cBoxForm::Message() const
{
    return m_label->text();
}

void cBoxForm::setMessage(const QString& text)
{
    m_label->setText(text);
}

bool cBoxForm::Display(QWidget* parent)
{
    m_answer = false;
    if (MessageBoxes::hasHook())
        return answersFromHook(Message());
    const QSize own(Twips::width(this), Twips::height(this));
    if (parent) {
        const QRect frame = parent->frameGeometry();
        const int left = Twips::fromPixelsX(frame.x()) + Twips::fromPixelsX(frame.width()) / 2 - own.width() / 2;
        const int top = Twips::fromPixelsY(frame.y()) + Twips::fromPixelsY(frame.height()) / 2 - own.height() / 2;
        move(Twips::toPixelsX(left), Twips::toPixelsY(top));
    } else if (centresOnScreen()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    exec();
    return m_answer;
}

void cBoxForm::buttonClicked(int index)
{
    m_answer = index == 0;
    done(0);
}

void cBoxForm::mouseMoveEvent(QMouseEvent* event)
{
    QDialog::mouseMoveEvent(event);
    m_buttons->highlight(-1, OleColor::Highlight, OleColor::Highlight);
}

void cBoxForm::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape have no meaning of their own here.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

frmMessage::frmMessage() : cBoxForm(QStringLiteral("frmMessage"), {QStringLiteral("OK")}) {}

bool frmMessage::answersFromHook(const QString& text)
{
    MessageBoxes::show({QMessageBox::Information, {}, text, QMessageBox::Ok});
    return true;
}

void frmMessage::showEvent(QShowEvent* event)
{
    m_enterDown = false;
    cBoxForm::showEvent(event);
}

void frmMessage::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat())
        m_enterDown = true;
    cBoxForm::keyPressEvent(event);
}

void frmMessage::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (!m_enterDown || event->isAutoRepeat())
            return;
        m_enterDown = false;
        buttonClicked(0);
        return;
    }
    cBoxForm::keyReleaseEvent(event);
}

frmQuestion::frmQuestion() : cBoxForm(QStringLiteral("frmQuestion"), {QStringLiteral("Yes"), QStringLiteral("No")}) {}

bool frmQuestion::answersFromHook(const QString& text)
{
    return MessageBoxes::show({QMessageBox::Question, {}, text, QMessageBox::Yes | QMessageBox::No}) ==
           QMessageBox::Yes;
}

void frmQuestion::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept(); // consumed
        buttonClicked(0);
        return;
    }
    cBoxForm::keyPressEvent(event);
}
