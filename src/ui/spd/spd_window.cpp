// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/spd/spd_window.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <string>
#include <vector>

#include "spd/spd_decoder.h"
#include "spd/spd_reader.h"
#include "ui/common/qt_text.h"
#include "ui/common/widgets.h"

namespace zm::spd::gui {
namespace {

constexpr int kClientWidth = 328;
constexpr int kClientHeight = 451;

// "SPD Infos": captions at the left, fields beside them.
constexpr QRect kInfoGroup{8, 4, 312, 184};
constexpr QRect kComboDimm{96, 18, 120, 22};
constexpr QRect kChecksumWarning{222, 21, 82, 16};
constexpr int kFactTop = 46;
constexpr int kFactStep = 17;
constexpr int kFactCaptionLeft = 10;
constexpr int kFactLeft = 96;
constexpr int kFactWidth = 206;
constexpr int kFactHeight = 15;

// "Timings": row captions, then five columns of cells.
constexpr QRect kTimingGroup{8, 192, 312, 226};
constexpr int kHeaderTop = 16;
constexpr int kRowTop = 32;
constexpr int kRowStep = 13;
constexpr int kRowCaptionLeft = 8;
constexpr int kFirstColumnLeft = 80;
constexpr int kColumnStep = 46;
constexpr int kCellWidth = 44;
constexpr int kCellHeight = 12;

constexpr QRect kQuit{124, 423, 80, 24};

using ui::DecimalSeparator;
using ui::Text;

int ColumnLeft(int column) {
    return kFirstColumnLeft + kColumnStep * column;
}

}  // namespace

std::vector<std::string> ModuleListItems(unsigned slotCount) {
    std::vector<std::string> items;
    for (unsigned i = 1; i <= slotCount && i <= kSpdSlotCount; ++i)
        items.push_back("DIMM#" + std::to_string(i));
    return items;
}

SpdWindow::SpdWindow(SpdWindowSetup setup, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      setup_(std::move(setup)) {
    setObjectName(QStringLiteral("SpdWindow"));
    setWindowTitle(QStringLiteral("SPD"));
    setFixedSize(kClientWidth, kClientHeight);
    BuildControls();
    for (const std::string& item : ModuleListItems(setup_.slotCount))
        ComboDIMM->addItem(Text(item));
    if (ComboDIMM->count() > 0) ComboDIMM->setCurrentIndex(0);
    Show();
}

void SpdWindow::BuildControls() {
    using ui::MakeLabel;
    using ui::MakePanel;
    QGroupBox* info = ui::MakeGroup(this, "GroupBox1", "SPD Infos", kInfoGroup);
    ComboDIMM = ui::MakeCombo(info, "ComboDIMM", kComboDimm);
    connect(ComboDIMM, &QComboBox::activated, this, &SpdWindow::ComboDIMMChange);
    checksumWarning = ui::MakePanel(info, "checksumWarning", kChecksumWarning);
    QPalette warning = checksumWarning->palette();
    warning.setColor(QPalette::WindowText, Qt::red);
    checksumWarning->setPalette(warning);

    const struct {
        const char* caption;
        const char* captionName;
        const char* panelName;
        QLabel** caption_;
        QLabel** panel;
    } facts[] = {
        {"Type", "Label1", "PanelType", nullptr, &PanelType},
        {"Size", "Label2", "PanelSize", nullptr, &PanelSize},
        {"ManuFacturer", "Label3", "PanelMF", nullptr, &PanelMF},
        {"Correction", "Label4", "PanelCorrect", nullptr, &PanelCorrect},
        {"Part Number", "Label5", "PanelPart", &partNumberCaption, &PanelPart},
        {"Revision", "Label6", "PanelRev", &revisionCaption, &PanelRev},
        {"Serial", "Label7", "PanelSerial", &serialCaption, &PanelSerial},
        {"Speed", "Label8", "PanelSpeed", nullptr, &PanelSpeed},
    };
    int top = kFactTop;
    for (const auto& fact : facts) {
        QLabel* caption =
            MakeLabel(info, fact.captionName, fact.caption,
                      {kFactCaptionLeft, top, kFactLeft - kFactCaptionLeft, kFactHeight});
        if (fact.caption_) *fact.caption_ = caption;
        *fact.panel = MakePanel(info, fact.panelName, {kFactLeft, top, kFactWidth, kFactHeight});
        top += kFactStep;
    }

    QGroupBox* timings = ui::MakeGroup(this, "GroupBox2", "Timings", kTimingGroup);
    for (int c = 0; c < 3; ++c) {
        MakeLabel(timings, "Label" + std::to_string(23 + c), kJedecHeaders[c],
                  {ColumnLeft(c), kHeaderTop, kCellWidth, kCellHeight + 2});
    }
    profileHeader4 = MakeLabel(timings, "Label26", kUnnamedHeader,
                               {ColumnLeft(3), kHeaderTop, kCellWidth, kCellHeight + 2});
    profileHeader5 = MakeLabel(timings, "Label27", kUnnamedHeader,
                               {ColumnLeft(4), kHeaderTop, kCellWidth, kCellHeight + 2});
    // The headers are as wide as their columns: centred, in a face stepped down (at least a
    // point, at most to 6 points) until "Jedec#0" leaves a few pixels of its 44 free and does not
    // run into the next header.
    for (QLabel* header : timings->findChildren<QLabel*>()) {
        QFont font = header->font();
        font.setPointSizeF(font.pointSizeF() - 1);
        while (font.pointSizeF() > 6 &&
               QFontMetrics(font).horizontalAdvance(QStringLiteral("Jedec#0")) > kCellWidth - 6)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        header->setFont(font);
        header->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    }
    for (int r = 0; r < kSpdRows; ++r) {
        const int y = kRowTop + kRowStep * r;
        MakeLabel(timings, "LabelRow" + std::to_string(r + 1), kSpdRowCaptions[r],
                  {kRowCaptionLeft, y, kFirstColumnLeft - kRowCaptionLeft, kCellHeight});
        for (int c = 0; c < kSpdColumns; ++c) {
            const std::string name = "Panel" + std::to_string(kSpdRows * c + r + 1);
            QLabel* cell =
                MakePanel(timings, name.c_str(), {ColumnLeft(c), y, kCellWidth, kCellHeight});
            cell->setAlignment(Qt::AlignCenter);
            cells_[r][c] = cell;
        }
    }

    Quit = new QPushButton(QStringLiteral("Quit"), this);
    Quit->setObjectName(QStringLiteral("Quit"));
    Quit->setGeometry(kQuit);
    connect(Quit, &QPushButton::clicked, this, &QWidget::close);
}

void SpdWindow::ComboDIMMChange(int index) {
    if (index < 0) return;
    ClearForNextModule(view_);
    Show();
    if (setup_.selectModule) {
        if (const auto slave = SpdSlaveForSlot(static_cast<unsigned>(index)))
            setup_.selectModule(*slave);
    }
}

void SpdWindow::DecodeModule(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress) {
    spd::DecodeModule(hw, spdSlaveAddress, view_, {DecimalSeparator()});
    Show();
}

void SpdWindow::Show() {
    PanelType->setText(Text(view_.type));
    PanelSize->setText(Text(view_.size));
    PanelMF->setText(Text(view_.manufacturer));
    PanelCorrect->setText(Text(view_.correction));
    PanelPart->setText(Text(view_.partNumber));
    PanelRev->setText(Text(view_.revision));
    PanelSerial->setText(Text(view_.serial));
    PanelSpeed->setText(Text(view_.speed));
    checksumWarning->setText(view_.checksumMismatch ? QStringLiteral("checksum bad") : QString());
    checksumWarning->setToolTip(Text(view_.checksum));
    partNumberCaption->setEnabled(view_.partNumberEnabled);
    PanelPart->setEnabled(view_.partNumberEnabled);
    revisionCaption->setEnabled(view_.revisionEnabled);
    PanelRev->setEnabled(view_.revisionEnabled);
    serialCaption->setEnabled(view_.serialEnabled);
    PanelSerial->setEnabled(view_.serialEnabled);
    for (int r = 0; r < kSpdRows; ++r)
        for (int c = 0; c < kSpdColumns; ++c) cells_[r][c]->setText(Text(view_.cells[r][c]));
    profileHeader4->setText(Text(view_.extraHeaders[0]));
    profileHeader5->setText(Text(view_.extraHeaders[1]));
    if (view_.jedec3HeaderMoved) {
        // Moved left, its right edge stays at its column's: the centred "Jedec#3" shifts only
        // half as far and keeps clear of "Jedec#2".
        const int right = ColumnLeft(3) + kCellWidth;
        profileHeader4->setGeometry(kJedec3HeaderLeft, profileHeader4->y(),
                                    right - kJedec3HeaderLeft, profileHeader4->height());
    }
}

}  // namespace zm::spd::gui
