#pragma once

#include <QObject>
#include <QSet>

#include <functional>

class QLineEdit;
class QMenu;

// The keys of the main window that Qt would handle otherwise: the number boxes take digits
// alone, Enter in the paragraph box registers the paragraph, and a letter shared by several
// items of a menu moves among the enabled ones only.
class SheetKeyFilter : public QObject
{
    Q_OBJECT

public:
    SheetKeyFilter(std::function<void()> enterInParagraphBox, QObject *parent = nullptr);

    void watchMenu(QMenu *menu);
    void watchNumberBox(QLineEdit *box);
    void watchParagraphBox(QLineEdit *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool acceptedInParagraphBox(QChar c);

    std::function<void()> m_enter;
    QSet<QObject *> m_numberBoxes;
    QObject *m_paragraphBox = nullptr;
};
