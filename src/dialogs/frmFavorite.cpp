#include "dialogs/frmFavorite.h"

#include "bookmarks/names.h"
#include "controls/FlatButton.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "dialogs/frmFolder.h"
#include "dialogs/frmMessage.h"
#include "dialogs/modal.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 2700;

} // namespace

frmFavorite::frmFavorite() : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmFavorite"));
    setWindowTitle(QStringLiteral("Favorite"));
    setModal(true);
    setMouseTracking(true);

    // Each kind as wide as its caption needs, so that none is cut short; the
    // dialog grows where the three need more than its width.
    picFavorite = new QWidget(this);
    picFavorite->setObjectName(QStringLiteral("picFavorite_0"));
    const char* kinds[] = {"Web Content", "Yahoo Search", "CompuServe Web Forum"};
    int left = 0;
    for (int index = 0; index < 3; ++index) {
        auto* option = new QRadioButton(QLatin1String(kinds[index]), picFavorite);
        option->setObjectName(QStringLiteral("optFavorite_%1").arg(index));
        const int width = qMax(Twips::fromPixelsX(option->sizeHint().width()) + 15, 1850);
        Twips::setGeometry(option, left, 120, width, 330);
        left += width + 50;
        optFavorite[size_t(index)] = option;
    }
    const int dialogWidth = qMax(kWidth, left + 300);
    Twips::setGeometry(this, 0, 0, dialogWidth, kHeight);
    setFixedSize(size());
    Twips::setGeometry(picFavorite, 150, 1500, dialogWidth - 300, 600);

    lbbFavorite = new FlatButtonArray(QStringLiteral("lbbFavorite"), this);
    const char* captions[] = {"OK", "Cancel", "Site Name", "Site Location"};
    const int geometry[][3] = {
        {dialogWidth - 2100, 2220, 900}, {dialogWidth - 1050, 2220, 900}, {150, 120, 1500}, {150, 720, 1500}};
    for (int index = 0; index < 4; ++index) {
        auto* button = new FlatButton(QLatin1String(captions[index]), this);
        Twips::setGeometry(button, geometry[index][0], geometry[index][1], geometry[index][2], 300);
        if (index >= 2) {
            // A caption: drawn as text, not as a disabled button, and passed by pointer and keyboard.
            button->setFocusPolicy(Qt::NoFocus);
            button->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        lbbFavorite->add(index, button);
    }
    for (int index = 0; index < 2; ++index) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("txtFavorite_%1").arg(index));
        Twips::setGeometry(edit, 150, 420 + index * 600, dialogWidth - 300, 330);
        txtFavorite[size_t(index)] = edit;
    }
    connect(lbbFavorite, &FlatButtonArray::MouseClick, this, &frmFavorite::clicked);
    connect(lbbFavorite, &FlatButtonArray::MouseMove, this, [this](int index) {
        lbbFavorite->highlight(index, OleColor::Highlight, OleColor::Window);
    });
}

int frmFavorite::BookmarkType() const
{
    for (int index = 0; index < 3; ++index) {
        if (optFavorite[size_t(index)]->isChecked())
            return index;
    }
    return 0;
}

void frmFavorite::setBookmarkType(int kind)
{
    if (kind >= 0 && kind < 3)
        optFavorite[size_t(kind)]->setChecked(true);
}

bool frmFavorite::Display(Stores::Store& store,
                          const Stores::Place& place,
                          int state,
                          QWidget* parent,
                          const QString& name,
                          const QString& site,
                          bool displayForumOption,
                          const Stores::Place* origin)
{
    m_store = &store;
    m_place = place;
    m_origin = origin ? std::optional<Stores::Place>(*origin) : std::nullopt;
    m_state = state;
    m_answer = false;
    m_storeReloaded = false;
    m_placeGone = false;
    centreOn(this, parent);
    txtFavorite[0]->setText(name);
    txtFavorite[1]->setText(site);
    const bool kindChoice = state == AddWithKind || state == EditWithKind;
    picFavorite->setVisible(kindChoice);
    optFavorite[2]->setVisible(displayForumOption);
    if (kindChoice && !optFavorite[0]->isChecked() && !optFavorite[1]->isChecked() && !optFavorite[2]->isChecked())
        optFavorite[0]->setChecked(true);
    Modal::run(*this);
    return m_answer;
}

void frmFavorite::clicked(int index)
{
    if (index == 0) {
        QString failure;
        try {
            failure = save();
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        if (!failure.isEmpty()) {
            // Nothing was stored: say why and let the user correct the entry or cancel.
            frmMessage message;
            message.setMessage(failure);
            message.Display(this);
            if (!m_placeGone)
                return;
            m_answer = false;
            done(0);
            return;
        }
        m_answer = true;
    } else if (index == 1) {
        m_answer = false;
    } else {
        return;
    }
    done(0);
}

QString frmFavorite::save()
{
    const bool editing = m_state == Edit || m_state == EditWithKind;
    const bool kindChoice = m_state == AddWithKind || m_state == EditWithKind;
    const Stores::Entry entry{txtFavorite[0]->text(),
                              m_store->typedAddress(Names::address(txtFavorite[1]->text())),
                              kindChoice ? BookmarkType() : m_store->entryKind()};
    const Stores::Result checked = m_store->checkNew(m_place, entry.name, editing ? &m_place : nullptr);
    if (!checked.ok())
        return checked.why;
    const Stores::Result result =
        editing ? m_store->change(m_place, entry) : m_store->add(m_place, entry, m_origin ? &*m_origin : nullptr);
    if (result.outcome == Stores::Result::Outcome::Failed)
        return QLatin1Char('\'') + result.what + QStringLiteral("' could not be saved") +
               (result.why.isEmpty() ? QString() : QStringLiteral(": ") + result.why) + QLatin1Char('.');
    if (!result.ok())
        return result.why;
    // A store kept in memory writes now: a failed write is told while what was typed is still here.
    const Stores::Result saved = m_store->save();
    if (!saved.ok()) {
        m_storeReloaded = m_storeReloaded || saved.reloaded;
        m_placeGone = saved.changedElsewhere;
        return saved.why;
    }
    m_savedName = result.what;
    return {};
}

void frmFavorite::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        clicked(0);
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmFavorite::mouseMoveEvent(QMouseEvent* event)
{
    QDialog::mouseMoveEvent(event);
    lbbFavorite->highlight(-1, OleColor::Highlight, OleColor::Highlight);
}

void frmFavorite::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    txtFavorite[0]->setFocus();
}
