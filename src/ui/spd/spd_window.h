// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SpdWindow, "SPD": the decoded SPD of one memory module at a time. The module is chosen in
// ComboDIMM; the choice clears the fields, sets the main window's SpdSlaveAddress and runs its
// spd button action, which finds the SMBus controller again, shows this window and decodes the
// module into it (DecodeModule).
//
// Control names: GroupBox1 "SPD Infos" with ComboDIMM and the fields PanelType, PanelSize,
// PanelMF, PanelCorrect, PanelPart (caption partNumberCaption), PanelRev (revisionCaption),
// PanelSerial (serialCaption), PanelSpeed; GroupBox2 "Timings" with the row captions, the column
// headers Label23..Label25
// ("Jedec#0".."Jedec#2"), profileHeader4 and profileHeader5, and the cells Panel1..Panel70 numbered
// down the columns (row r, column c: Panel(14 (c - 1) + r)); the button Quit.

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "hw/hardware_access.h"
#include "spd/spd_view.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace zm::spd::gui {

struct SpdWindowSetup {
    // Memory slots the SMBIOS scan found; the module list offers that many (at most six).
    unsigned slotCount = 0;
    // Sets the main window's SpdSlaveAddress and runs its spd button action.
    std::function<void(std::uint8_t spdSlaveAddress)> selectModule;
};

class SpdWindow : public QWidget {
    Q_OBJECT

public:
    explicit SpdWindow(SpdWindowSetup setup, QWidget* parent = nullptr);

    // The spd button's decode: the module at spdSlaveAddress into the fields as they are (the
    // window is not cleared first). Runs after the SMBus discovery.
    void DecodeModule(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress);

    const SpdView& View() const { return view_; }
    QLabel* Cell(int row, int column) const { return cells_[row][column]; }  // 0-based

    QComboBox* ComboDIMM = nullptr;
    QLabel* PanelType = nullptr;
    QLabel* PanelSize = nullptr;
    QLabel* PanelMF = nullptr;
    QLabel* PanelCorrect = nullptr;
    QLabel* PanelPart = nullptr;
    QLabel* PanelRev = nullptr;
    QLabel* PanelSerial = nullptr;
    QLabel* PanelSpeed = nullptr;
    // Beside the module list: a warning when the module's own checksum does not match its bytes
    // (the decode still stands); the tooltip says which bytes and values.
    QLabel* checksumWarning = nullptr;
    QLabel* partNumberCaption = nullptr;  // "Part Number"
    QLabel* revisionCaption = nullptr;    // "Revision"
    QLabel* serialCaption = nullptr;      // "Serial"
    QLabel* profileHeader4 = nullptr;
    QLabel* profileHeader5 = nullptr;
    QPushButton* Quit = nullptr;

public slots:
    void ComboDIMMChange(int index);

private:
    void BuildControls();
    void Show();

    SpdWindowSetup setup_;
    SpdView view_;
    std::array<std::array<QLabel*, kSpdColumns>, kSpdRows> cells_{};
};

// The module list for a slot count: "DIMM#1" .. "DIMM#n", n at most six.
std::vector<std::string> ModuleListItems(unsigned slotCount);

}  // namespace zm::spd::gui
