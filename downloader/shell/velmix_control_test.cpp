// The chip control widget over a memory line and the QM-40 model.

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

TEST(VelmixControl, ShowsProgressOnlyDuringExternalTransfersAndClosesItsPort) {
    qm40sim::Qm40 chip;
    vx::MemorySerialLine memory;
    bool closed = false;
    bool barSeenDuringTransfer = false;
    auto control = std::make_unique<VelmixControl>(
        nullptr, std::make_unique<WatchedLine>(memory, closed),
        [](int port) { return "mem" + std::to_string(port); }, std::make_shared<vxtest::FakeClock>());
    memory.setPeer([&](uint8_t byte) {
        if (byte == 0x80 && control->PBar()->isVisible()) barSeenDuringTransfer = true;
        return chip.receive(byte);
    });
    control->resize(300, 24);
    control->show();
    EXPECT_EQ(control->property("CommPort").toInt(), 1);
    EXPECT_EQ(control->txtStatus()->geometry(), control->contentsRect());
    EXPECT_EQ(control->PBar()->geometry(), control->contentsRect());
    control->resize(420, 30);
    EXPECT_EQ(control->PBar()->geometry(), control->contentsRect());
    EXPECT_FALSE(control->PBar()->isVisible());

    control->setText("Chip Status Window");
    EXPECT_EQ(control->txtStatus()->text(), "Chip Status Window");
    control->setCommPort(2);
    int32_t status = 0;
    control->OpenPort(true, status);
    EXPECT_EQ(memory.openedDevice, "mem2");
    EXPECT_TRUE(control->PortOpen());
    control->HaltVelmix(status);
    EXPECT_EQ(control->txtStatus()->text(), "ACK Received0");

    const vx::Bytes program(300, 0x5A);
    control->WriteExternalEEprom(0, 300, program, status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_TRUE(barSeenDuringTransfer);
    EXPECT_FALSE(control->PBar()->isVisible());
    EXPECT_EQ(control->txtStatus()->text(), "EEprom Write Successful");

    control.reset();
    EXPECT_TRUE(closed);
}

TEST(VelmixControl, RescueWritesIntoTheChipWindow) {
    VelmixControl control(nullptr, std::make_unique<vx::MemorySerialLine>(), {},
                          std::make_shared<vxtest::FakeClock>());
    QStringList written;
    control.setChipWindowWriter([&](const QString& text) { written << text; });
    int32_t status = 0;
    control.OpenPort(true, status);
    control.Rescue(status);
    EXPECT_EQ(status, vx::kStatusOk);
    EXPECT_EQ(written, QStringList({"Press & release hardware reset button then wait 10 seconds",
                                    "**Download Program Now**"}));
}

}  // namespace
