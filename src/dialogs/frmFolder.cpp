#include "dialogs/frmFolder.h"

#include "controls/FlatButton.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "dialogs/modal.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

constexpr int kWidth = 4500;
constexpr int kHeight = 1500;

} // namespace

void centreOn(QWidget* dialog, QWidget* parent)
{
    if (!parent)
        return;
    const QRect frame = parent->frameGeometry();
    const int left = Twips::fromPixelsX(frame.x()) + Twips::fromPixelsX(frame.width()) / 2 - Twips::width(dialog) / 2;
    const int top = Twips::fromPixelsY(frame.y()) + Twips::fromPixelsY(frame.height()) / 2 - Twips::height(dialog) / 2;
    dialog->move(Twips::toPixelsX(left), Twips::toPixelsY(top));
}

cTextDialog::cTextDialog(const QString& name, const QString& buttonsName, const QString& caption)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(name);
    setModal(true);
    setMouseTracking(true);
    setWindowTitle(caption);
    Twips::setGeometry(this, 0, 0, kWidth, kHeight);
    setFixedSize(size());
    m_text = new QLineEdit(this);
    m_text->setObjectName(name == QLatin1String("frmFolder") ? QStringLiteral("txtFolder_0")
                                                             : QStringLiteral("txtForum_0"));
    Twips::setGeometry(m_text, 150, 450, kWidth - 300, 330);
    m_buttons = new FlatButtonArray(buttonsName, this);
    const QStringList captions{QStringLiteral("OK"), QStringLiteral("Cancel"), caption};
    const int geometry[][3] = {{kWidth - 2100, 960, 900}, {kWidth - 1050, 960, 900}, {150, 150, 2400}};
    for (int index = 0; index < 3; ++index) {
        auto* button = new FlatButton(captions[index], this);
        Twips::setGeometry(button, geometry[index][0], geometry[index][1], geometry[index][2], 300);
        m_buttons->add(index, button);
    }
    (*m_buttons)[2]->setEnabled(false); // the text box's caption
    connect(m_buttons, &FlatButtonArray::MouseClick, this, &cTextDialog::clicked);
    connect(m_buttons, &FlatButtonArray::MouseMove, this, [this](int index) {
        m_buttons->highlight(index, OleColor::Highlight, OleColor::Window);
    });
}

bool cTextDialog::Display(int state, QWidget* parent, QString* text, const QString& previous)
{
    m_state = state;
    m_answer = false;
    m_previous = previous;
    m_text->setText(previous);
    centreOn(this, parent);
    Modal::run(*this);
    *text = m_answer ? m_text->text() : QString();
    return m_answer;
}

void cTextDialog::clicked(int index)
{
    if (index == 0)
        m_answer = okAnswer(m_text->text());
    else if (index == 1)
        m_answer = false;
    else
        return;
    done(0);
}

void cTextDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept(); // consumed: Enter is OK
        clicked(0);
        return;
    }
    QDialog::keyPressEvent(event);
}

void cTextDialog::mouseMoveEvent(QMouseEvent* event)
{
    QDialog::mouseMoveEvent(event);
    m_buttons->highlight(-1, OleColor::Highlight, OleColor::Highlight);
}

void cTextDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_text->setFocus();
}

frmFolder::frmFolder()
    : cTextDialog(QStringLiteral("frmFolder"), QStringLiteral("lbbFolder"), QStringLiteral("Folder Name"))
{
}

frmForum::frmForum()
    : cTextDialog(QStringLiteral("frmForum"), QStringLiteral("lbbForum"), QStringLiteral("Forum Go Word"))
{
}
