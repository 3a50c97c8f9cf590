#include "options_dialog.h"

#include <exception>
#include <limits>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "message_boxes.h"
#include "site_store.h"
#include "window_style.h"

using namespace Qt::StringLiterals;

namespace {

const QString defaultName = u"Quillfen"_s;
// Where the bundled demo site listens.
const QString defaultAddress = u"localhost:8765"_s;
const QString defaultPath = u"/mp3/"_s;

QLabel* heading(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// One column of the grid: a box per site, 360 twips apart from a top of 480.
std::array<QLineEdit*, 5> column(QWidget* parent, const QString& name, const QString& caption, int left, int width)
{
    std::array<QLineEdit*, 5> boxes{};
    for (int row = 0; row < 5; ++row) {
        auto* box = new QLineEdit(parent);
        box->setObjectName(name + QString::number(row + 1));
        box->setAccessibleName(caption + u' ' + QString::number(row + 1));
        box->setGeometry(fromTwips(left, 480 + 360 * row, width, 285));
        // The default limit of 32767 characters would cut a longer stored value, and OK would store it cut.
        box->setMaxLength(std::numeric_limits<int>::max());
        boxes[row] = box;
    }
    return boxes;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* push = new QPushButton(caption, parent);
    push->setObjectName(QString::fromLatin1(name));
    push->setGeometry(geometry);
    // Enter in a box must press neither button.
    push->setAutoDefault(false);
    push->setDefault(false);
    return push;
}

} // namespace

OptionsDialog::OptionsDialog(SiteStore& store, MessageBoxes& messageBoxes, QWidget* parent)
    : QDialog(parent, Qt::Window), m_store(store), m_messageBoxes(messageBoxes)
{
    setObjectName(u"frmOptions"_s);
    setWindowTitle(u"Options"_s);
    setFont(windowFont());
    resize(fromTwips(7410, 4725));

    heading(this, "lblSiteName", u"Site Name"_s, fromTwips(120, 120, 855, 255));
    heading(this, "lblAddr", u"Site Address"_s, fromTwips(1440, 120, 975, 255));
    heading(this, "lblPath", u"Path to MP3 Server"_s, fromTwips(3240, 120, 1455, 255));
    heading(this, "lblUserName", u"UserName"_s, fromTwips(4800, 120, 855, 255));
    heading(this, "lblPassword", u"Password"_s, fromTwips(6000, 120, 735, 255));
    m_names = column(this, u"txtName"_s, u"Site Name"_s, 120, 1215);
    m_addresses = column(this, u"txtAddr"_s, u"Site Address"_s, 1440, 1695);
    m_paths = column(this, u"txtPath"_s, u"Path to MP3 Server"_s, 3240, 1455);
    m_users = column(this, u"txtUser"_s, u"UserName"_s, 4800, 1095);
    m_passwords = column(this, u"txtPass"_s, u"Password"_s, 6000, 1215);
    for (QLineEdit* box : m_passwords) {
        box->setEchoMode(QLineEdit::Password);
        box->setAttribute(Qt::WA_InputMethodEnabled, false);
        // One "*" per character, whatever the style would draw.
        box->setStyleSheet(u"lineedit-password-character: 42"_s);
    }
    m_okButton = button(this, "cmdOK", u"OK"_s, fromTwips(4560, 4200, 1335, 375));
    m_cancelButton = button(this, "cmdCancel", u"Cancel"_s, fromTwips(6000, 4200, 1335, 375));

    QList<QWidget*> order;
    for (const auto& boxes : {m_names, m_addresses, m_paths})
        order.append(QList<QWidget*>(boxes.begin(), boxes.end()));
    order << m_okButton << m_cancelButton;
    for (const auto& boxes : {m_users, m_passwords})
        order.append(QList<QWidget*>(boxes.begin(), boxes.end()));
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));

    connect(m_okButton, &QPushButton::clicked, this, &OptionsDialog::storeSites);
    connect(m_cancelButton, &QPushButton::clicked, this, &OptionsDialog::onCancelClicked);
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::showModal()
{
    loadSites();
    m_names[0]->setFocus();
    exec();
}

void OptionsDialog::keyPressEvent(QKeyEvent* event)
{
    // A dialog would close on Escape; this one closes only through Cancel or its close box.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void OptionsDialog::loadSites()
{
    for (const auto& boxes : {m_names, m_addresses, m_paths, m_users, m_passwords})
        for (QLineEdit* box : boxes)
            box->clear();
    using Key = SiteStore::Key;
    // A failure while loading ends the load quietly; the dialog opens with what was filled.
    try {
        const QString firstName = m_store.read(1, Key::Name);
        if (firstName.isEmpty()) {
            m_names[0]->setText(defaultName);
            m_addresses[0]->setText(defaultAddress);
            m_paths[0]->setText(defaultPath);
        } else {
            m_names[0]->setText(firstName);
            m_addresses[0]->setText(m_store.read(1, Key::Addr));
            m_paths[0]->setText(m_store.read(1, Key::Path));
            m_users[0]->setText(m_store.read(1, Key::User));
            m_passwords[0]->setText(m_store.read(1, Key::Pass));
        }
        for (int site = 2; site <= SiteStore::siteCount; ++site) {
            const int row = site - 1;
            m_names[row]->setText(m_store.read(site, Key::Name));
            m_addresses[row]->setText(m_store.read(site, Key::Addr));
            m_paths[row]->setText(m_store.read(site, Key::Path));
            m_users[row]->setText(m_store.read(site, Key::User));
            m_passwords[row]->setText(m_store.read(site, Key::Pass));
        }
    } catch (const std::exception&) {
    }
    // Show each value from its start, as a freshly filled box should.
    for (const auto& boxes : {m_names, m_addresses, m_paths, m_users, m_passwords})
        for (QLineEdit* box : boxes)
            box->setCursorPosition(0);
}

void OptionsDialog::storeSites()
{
    using Key = SiteStore::Key;
    QList<SiteStore::Value> values;
    for (int site = 1; site <= SiteStore::siteCount; ++site) {
        const int row = site - 1;
        values.append({site, Key::Name, m_names[row]->text()});
        values.append({site, Key::Addr, m_addresses[row]->text()});
        values.append({site, Key::Path, m_paths[row]->text()});
        values.append({site, Key::User, m_users[row]->text()});
        values.append({site, Key::Pass, m_passwords[row]->text()});
    }
    // A store that cannot be written must not cost the user the edits: say so and stay open for another try.
    try {
        m_store.write(values);
    } catch (const std::exception& failure) {
        m_messageBoxes.showOk(
            tr("The site settings could not be saved.\n%1").arg(QString::fromLocal8Bit(failure.what())), u"Options"_s);
    }
}

void OptionsDialog::onCancelClicked()
{
    reject();
}
