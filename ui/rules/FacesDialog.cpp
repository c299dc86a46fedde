#include "FacesDialog.h"

#include "BookRules.h"
#include "FieldMarks.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

FacesDialog::FacesDialog(int count, int low, int high, QWidget *parent)
    : QDialog(parent), m_count(count), m_low(low), m_high(high), m_edit(new QLineEdit(this)),
      m_reason(new QLabel(this))
{
    setObjectName(u"FacesDialog"_s);
    setWindowTitle(u"ダイスの目"_s);
    auto *hint =
        new QLabel(u"%1 個のダイスの目 (%2〜%3) を空白で区切って入力してください"_s.arg(
                       QString::number(count), QString::number(low), QString::number(high)),
                   this);
    hint->setBuddy(m_edit);
    m_edit->setObjectName(u"EditFaces"_s);
    m_edit->setAccessibleName(hint->text());
    m_reason->setObjectName(u"LabelFacesProblem"_s);
    m_reason->setWordWrap(true);
    m_reason->hide();
    m_reason->setBuddy(m_edit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &FacesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FacesDialog::reject);
    // A changed text no longer has the reason shown under it, nor in the field.
    connect(m_edit, &QLineEdit::textEdited, this, [this] {
        m_reason->hide();
        FieldMarks::mark(m_edit, QString());
    });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_edit);
    layout->addWidget(m_reason);
    layout->addWidget(buttons);
    m_edit->setFocus();
}

void FacesDialog::accept()
{
    QString reason;
    const std::optional<QList<int>> faces =
        BookRules::facesFromText(m_edit->text(), m_count, m_low, m_high, reason);
    if (!faces) {
        m_reason->setText(reason);
        m_reason->setAccessibleName(reason);
        m_reason->show();
        FieldMarks::mark(m_edit, reason);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_faces = *faces;
    QDialog::accept();
}

std::optional<QList<int>> FacesDialog::ask(QWidget *parent, int count, int low, int high)
{
    FacesDialog dialog(count, low, high, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.faces();
}
