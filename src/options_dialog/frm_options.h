#pragma once

#include <array>

#include <QDialog>

class MessageBoxes;
class QLabel;
class QLineEdit;
class QPushButton;
class SiteStore;

// The modal dialog that shows the five site records as a grid of 25 boxes. It is filled from the store at every
// showing; OK stores all 25 values and stays open; Cancel or the close box closes it without storing.
class frmOptions final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmOptions)

public:
    frmOptions(SiteStore& store, MessageBoxes& messageBoxes, QWidget* parent = nullptr);
    ~frmOptions() override;

    // Loads the boxes afresh and shows the dialog modally; returns once it has been closed.
    void showModal();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();

    SiteStore& m_store;
    MessageBoxes& m_messageBoxes;

    QLabel* lblSiteName;
    QLabel* lblAddr;
    QLabel* lblPath;
    QLabel* lblUserName;
    QLabel* lblPassword;
    std::array<QLineEdit*, 5> txtName;
    std::array<QLineEdit*, 5> txtAddr;
    std::array<QLineEdit*, 5> txtPath;
    std::array<QLineEdit*, 5> txtUser;
    std::array<QLineEdit*, 5> txtPass;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
};
