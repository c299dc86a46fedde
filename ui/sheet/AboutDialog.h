#pragma once

#include <QDialog>

class QLabel;

// The About box: the program's version items, and the maker's web page and mail address as
// labels that open them. Created once at start-up; centred on the screen at every opening.
// The labels are measured against their texts at the first opening.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillLabels();
    void fitTexts();
    void centreOnScreen();
    void openWebPage();
    void openMailAddress();
    void highlightLink(QLabel *label);
    void unhighlightLink(QLabel *label);

    QLabel *m_description = nullptr;
    QLabel *m_productName = nullptr;
    QLabel *m_version = nullptr;
    QLabel *m_copyright = nullptr;
    QLabel *m_url = nullptr;
    QLabel *m_mailAddress = nullptr;
    // The clickable labels, URL first: the ones that turn red under the mouse.
    QList<QLabel *> m_links;
    bool m_fitted = false;
};
