#pragma once

#include <QTranslator>

// The translations for the user's language, as long as this lives: Tunedrop's own, where one is installed beside
// the program, and Qt's for its standard buttons. A language without one leaves the texts in English.
class Translations final
{
    Q_DISABLE_COPY_MOVE(Translations)

public:
    Translations();
    ~Translations();

private:
    QTranslator m_own;
    QTranslator m_qt;
};
