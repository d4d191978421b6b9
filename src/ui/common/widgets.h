// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The few widget kinds the windows are made of, created at an absolute position.

#include <QFont>
#include <QRect>
#include <string>
#include <string_view>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QWidget;

namespace zm::ui {

QGroupBox* MakeGroup(QWidget* parent, const char* name, const char* caption, QRect place);
QLabel* MakeLabel(QWidget* parent, std::string_view name, std::string_view caption, QRect place);
// A read-only field: a sunken panel with its text at the left, drawn in a smaller face (down to
// 7 points) when the text is wider than the panel.
QLabel* MakePanel(QWidget* parent, const char* name, QRect place);
// The face such a panel draws its current text in.
QFont PanelFont(const QLabel& panel);
QComboBox* MakeCombo(QWidget* parent, const char* name, QRect place);
// A timing drop-down: a list that is not editable, at most 16 rows dropped down, navy text on
// the button face until the user changes it.
QComboBox* MakeTimingCombo(QWidget* parent, const std::string& name, QRect place);
QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption, QRect place);

}  // namespace zm::ui
