// The chip control's face in the window, fed by a chip control over a memory
// line and the QM-40 model.

#include "velmix_control.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>

#include "link_test_support.h"
#include "qm40.h"

namespace {

// Lets the test see the line close after the control that owns it is gone.
class WatchedLine final : public vx::SerialLine {
public:
    WatchedLine(vx::MemorySerialLine& inner, bool& closed) : m_inner(inner), m_closed(closed) {}
    bool open(const std::string& device) override { return m_inner.open(device); }
    bool close() override {
        m_closed = true;
        return m_inner.close();
    }
    bool isOpen() const override { return m_inner.isOpen(); }
    void setDtr(bool on) override { m_inner.setDtr(on); }
    void write(std::span<const uint8_t> bytes) override { m_inner.write(bytes); }
    size_t bytesAvailable() override { return m_inner.bytesAvailable(); }
    size_t bytesToWrite() override { return m_inner.bytesToWrite(); }
    vx::Bytes readAll() override { return m_inner.readAll(); }
    void clearInput() override { m_inner.clearInput(); }

private:
    vx::MemorySerialLine& m_inner;
    bool& m_closed;
};

TEST(VelmixControl, ShowsWhatTheChipControlReportsAndItsPort) {
    qm40sim::Qm40 chip;
    vx::MemorySerialLine memory;
    bool closed = false;
    bool barSeenDuringTransfer = false;
    VelmixControl face;
    WatchedLine line(memory, closed);
    auto control = std::make_unique<vx::ChipControl>(
        line, [](int port) { return "mem" + std::to_string(port); }, face.display(),
        std::make_shared<vxtest::FakeClock>());
    face.setControl(control.get());
    memory.setPeer([&](uint8_t byte) {
        if (byte == 0x80 && face.PBar()->isVisible()) barSeenDuringTransfer = true;
        return chip.receive(byte);
    });
    face.resize(300, 24);
    face.show();
    EXPECT_EQ(face.property("CommPort").toInt(), 1);
    EXPECT_EQ(face.txtStatus()->geometry(), face.contentsRect());
    EXPECT_EQ(face.PBar()->geometry(), face.contentsRect());
    face.resize(420, 30);
    EXPECT_EQ(face.PBar()->geometry(), face.contentsRect());
    EXPECT_FALSE(face.PBar()->isVisible());

    control->setText("Chip Status Window");
    EXPECT_EQ(face.txtStatus()->text(), "Chip Status Window");
    control->setCommPort(2);
    int32_t status = 0;
    control->OpenPort(true, status);
    EXPECT_EQ(memory.openedDevice, "mem2");
    EXPECT_TRUE(face.PortOpen());
    QStringList states;
    QObject::connect(&face, &VelmixControl::chipStateChanged,
                     [&] { states << QString::number(static_cast<int>(face.chipState())); });
    control->HaltVelmix(status);
    EXPECT_EQ(face.txtStatus()->text(), "ACK Received0");
    EXPECT_EQ(states, QStringList{QString::number(static_cast<int>(vx::ChipState::Halted))});

    const vx::Bytes program(300, 0x5A);
    control->WriteExternalEEprom(0, 300, program, status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_TRUE(barSeenDuringTransfer);
    EXPECT_FALSE(face.PBar()->isVisible());
    EXPECT_EQ(face.txtStatus()->text(), "EEprom Write Successful");

    face.setControl(nullptr);
    control.reset();
    EXPECT_TRUE(closed) << "the control closes its port as it goes";
}

TEST(VelmixControl, RescueWritesIntoTheChipWindow) {
    VelmixControl face;
    vx::MemorySerialLine line;
    vx::ChipControl control(line, {}, face.display(), std::make_shared<vxtest::FakeClock>());
    QStringList written;
    face.setChipWindowWriter([&](const QString& text) { written << text; });
    int32_t status = 0;
    control.OpenPort(true, status);
    control.Rescue(status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_EQ(written, QStringList({"Press & release hardware reset button then wait 10 seconds",
                                    "**Download Program Now**"}));
}

}  // namespace
