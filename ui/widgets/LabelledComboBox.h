#pragma once

#include <QComboBox>

// A drop-down list that a screen reader calls by its label, as it does an edit box, and whose
// value is the item shown. A plain QComboBox on this desktop gives its item as its name too,
// so that a form of them reads as a list of values with nothing saying what each one is.
class LabelledComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit LabelledComboBox(QWidget *parent = nullptr);
};
