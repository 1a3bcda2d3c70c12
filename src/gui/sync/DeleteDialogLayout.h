#pragma once

#include <QString>
#include <initializer_list>

class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

// The parts the file and folder delete dialogs share.

// A read-only field that shows a path, named by its control id.
QLineEdit* MakeDeletePathText(int id, QWidget* parent);

// Lays out `dialog`: a group box titled `groupTitle` holding `rows` in order,
// then `ok` (made the default button) and a new Cancel button on the right.
void LayOutDeleteDialog(
    QDialog& dialog, const QString& groupTitle, std::initializer_list<QWidget*> rows, QPushButton& ok);
