#pragma once

#include <QDialog>
#include <QList>

#include <optional>

class QLabel;
class QLineEdit;

// "ダイスの目": the faces of real dice typed in, separated by blanks. Enter accepts them once
// they are as many as the dice and each one a die can show; Escape rolls nothing.
class FacesDialog : public QDialog
{
    Q_OBJECT

public:
    FacesDialog(int count, int low, int high, QWidget *parent = nullptr);

    const QList<int> &faces() const { return m_faces; }
    void accept() override;

    // The faces typed in, or nothing when the dialog was left without them.
    static std::optional<QList<int>> ask(QWidget *parent, int count, int low, int high);

private:
    int m_count;
    int m_low;
    int m_high;
    QList<int> m_faces;
    QLineEdit *m_edit;
    QLabel *m_reason;
};
