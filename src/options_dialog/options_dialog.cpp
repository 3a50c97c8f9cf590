#include "options_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "message_boxes.h"
#include "placed.h"
#include "site_store.h"
#include "window_style.h"

using namespace Qt::StringLiterals;

namespace {

const QString defaultName = u"Quillfen"_s;
// Where the bundled demo site listens.
const QString defaultAddress = u"localhost:8765"_s;
const QString defaultPath = u"/mp3/"_s;

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* push = placed<QPushButton>(parent, name, geometry, caption);
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
    setWindowTitle(tr("Options"));
    setFont(windowFont());
    resize(fromTwips(7410, 4725));

    const QStringList captions{tr("Site Name"), tr("Site Address"), tr("Path to MP3 Server"), tr("UserName"),
                               tr("Password")};
    placeHeadings(captions);
    for (int site = 1; site <= SiteStore::siteCount; ++site)
        m_rows.emplace_back(this, site, captions);
    m_okButton = button(this, "cmdOK", tr("OK"), fromTwips(4560, 4200, 1335, 375));
    m_cancelButton = button(this, "cmdCancel", tr("Cancel"), fromTwips(6000, 4200, 1335, 375));
    setTabOrders();

    connect(m_okButton, &QPushButton::clicked, this, &OptionsDialog::storeSites);
    connect(m_cancelButton, &QPushButton::clicked, this, &OptionsDialog::reject);
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::placeHeadings(const QStringList& captions)
{
    const std::array<const char*, SiteRow::columnCount> names{"lblSiteName", "lblAddr", "lblPath", "lblUserName",
                                                              "lblPassword"};
    // Narrower than their columns where the caption is short.
    const std::array<int, SiteRow::columnCount> widths{855, 975, 1455, 855, 735};
    for (int column = 0; column < SiteRow::columnCount; ++column) {
        const QRect geometry = fromTwips(SiteRow::columns.at(column).first, 120, widths.at(column), 255);
        auto* label = placed<QLabel>(this, names.at(column), geometry, captions.at(column));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
}

// Down each of the name, address and path columns, then the buttons, then down the user name and password columns.
void OptionsDialog::setTabOrders()
{
    QList<QWidget*> order;
    const auto addColumn = [&](int column) {
        for (const SiteRow& row : m_rows)
            order.append(row.boxes().at(column));
    };
    for (int column : {0, 1, 2})
        addColumn(column);
    order << m_okButton << m_cancelButton;
    for (int column : {3, 4})
        addColumn(column);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
}

void OptionsDialog::showModal()
{
    loadSites();
    m_rows.front().boxes().front()->setFocus();
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
    m_loadError = m_store.load();
    for (int site = 1; site <= SiteStore::siteCount; ++site)
        m_rows.at(site - 1).fill(m_loadError ? SiteStore::Record() : m_store.record(site));
    if (m_loadError) {
        m_messageBoxes.showOk(tr("The site settings could not be read.\n%1").arg(m_loadError->sentence()),
                              tr("Options"));
        return;
    }
    // Site 1 offers the demo site until it has a name.
    if (m_store.read(1, SiteStore::Key::Name).isEmpty())
        m_rows.front().fill({defaultName, defaultAddress, defaultPath, {}, {}});
}

void OptionsDialog::storeSites()
{
    // A file that could not be read is not ours to replace: what it held was never shown.
    std::optional<SettingsError> error = m_loadError;
    if (!error) {
        QList<std::pair<int, SiteStore::Record>> records;
        for (int site = 1; site <= SiteStore::siteCount; ++site)
            records.append({site, m_rows.at(site - 1).record()});
        error = m_store.write(records);
    }
    // A store that cannot be written must not cost the user the edits: say so and stay open for another try.
    if (error)
        m_messageBoxes.showOk(tr("The site settings could not be saved.\n%1").arg(error->sentence()), tr("Options"));
}
