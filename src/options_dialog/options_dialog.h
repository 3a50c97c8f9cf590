#pragma once

#include <optional>
#include <vector>

#include <QDialog>

#include "settings_error.h"
#include "site_row.h"

class MessageBoxes;
class QPushButton;
class SiteStore;

// The modal dialog that shows the five site records as a grid of 25 boxes. It is filled from the settings file at
// every showing; OK stores all 25 values and stays open; Cancel or the close box closes it without storing. A file
// that could not be read is said so as the dialog opens, and OK leaves it as it is.
class OptionsDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OptionsDialog)

public:
    OptionsDialog(SiteStore& store, MessageBoxes& messageBoxes, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    // Loads the boxes afresh and shows the dialog modally; returns once it has been closed.
    void showModal();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void placeHeadings(const QStringList& captions);
    void setTabOrders();
    void loadSites();
    void storeSites();

    SiteStore& m_store;
    MessageBoxes& m_messageBoxes;

    std::vector<SiteRow> m_rows;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
    // Why the file could not be read when the dialog was filled, if it could not.
    std::optional<SettingsError> m_loadError;
};
