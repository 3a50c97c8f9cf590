#pragma once

#include <array>

#include <QDialog>

class MessageBoxes;
class QLineEdit;
class QPushButton;
class SiteStore;

// The modal dialog that shows the five site records as a grid of 25 boxes. It is filled from the store at every
// showing; OK stores all 25 values and stays open; Cancel or the close box closes it without storing.
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
    void loadSites();
    void storeSites();
    void onCancelClicked();

    SiteStore& m_store;
    MessageBoxes& m_messageBoxes;

    std::array<QLineEdit*, 5> m_names;
    std::array<QLineEdit*, 5> m_addresses;
    std::array<QLineEdit*, 5> m_paths;
    std::array<QLineEdit*, 5> m_users;
    std::array<QLineEdit*, 5> m_passwords;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
};
