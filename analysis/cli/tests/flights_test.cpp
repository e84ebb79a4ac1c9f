// `tarvel flights` run as a process on a folder of flights, as text and as JSON.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <string>

#include "run_shell.h"

namespace {

class FlightsVerb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QDir().mkpath(folder());
        for (const char* name : {"small_motor.rcd", "metric_flight.rcd"})
            ASSERT_TRUE(QFile::copy(QString(TARVEL_EXAMPLES_DIR) + "/" + name, folder() + "/" + name));
        QFile junk(folder() + "/broken.rcd");
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("AccelData\r\nnot, a, sample\r\n");
    }
    QString folder() const { return m_dir.filePath("flights"); }
    // The program with the test's own settings store and index; standard output only.
    int run(const std::string& arguments, std::string& output) const {
        const std::string command = "XDG_CONFIG_HOME='" + m_dir.filePath("config").toStdString() + "' " +
                                    TARVEL_PROGRAM + " flights '" + folder().toStdString() + "' --index '" +
                                    m_dir.filePath("index.sqlite").toStdString() + "' " + arguments +
                                    " 2>/dev/null";
        return tarvel::test::runShell(command, output);
    }
    QTemporaryDir m_dir;
};

TEST_F(FlightsVerb, ListsTheFolderAsTextInTheUnitsAskedFor) {
    std::string out;
    // A file that does not read is listed with its reason, and the status stays 0.
    ASSERT_EQ(run("--units altitude=m,velocity=km/h", out), 0) << out;
    EXPECT_EQ(out.rfind("File", 0), 0u) << out;
    EXPECT_NE(out.find("Apogee (m)"), std::string::npos);
    EXPECT_NE(out.find("Max Velocity (km/h)"), std::string::npos);
    // The figures tarvel summary gives for the flight saved in these units.
    EXPECT_NE(out.find("540.3"), std::string::npos) << out;
    EXPECT_NE(out.find("405.0"), std::string::npos) << out;
    EXPECT_NE(out.find("broken.rcd"), std::string::npos);
    EXPECT_NE(out.find("No flight samples were found in the file."), std::string::npos);
    EXPECT_NE(out.find("3 flights, 1 of them not read"), std::string::npos);

    EXPECT_EQ(run("--units altitude=furlong", out), 2);
    EXPECT_EQ(run("--bogus", out), 2);
}

TEST_F(FlightsVerb, JsonGivesSIUnits) {
    std::string out;
    ASSERT_EQ(run("--json", out), 0);
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out));
    ASSERT_TRUE(doc.isObject()) << out;
    const QJsonArray flights = doc.object()["flights"].toArray();
    ASSERT_EQ(flights.size(), 3);
    const QJsonObject sparrow = flights[2].toObject();
    EXPECT_TRUE(sparrow["file"].toString().endsWith("/small_motor.rcd"));
    EXPECT_EQ(sparrow["name"].toString(), "Sparrow");
    EXPECT_EQ(sparrow["motor_class"].toString(), "C");
    EXPECT_EQ(sparrow["samples"].toInt(), 1675);
    EXPECT_NEAR(sparrow["apogee"].toDouble(), 645.46 * 0.3048, 0.1);  // metres
    EXPECT_NEAR(sparrow["max_velocity"].toDouble(), 125.5 * 0.447, 0.1);
    EXPECT_NEAR(sparrow["flight_time"].toDouble(), 33.4, 0.1);
    const QJsonObject broken = flights[0].toObject();
    EXPECT_TRUE(broken["apogee"].isNull());
    EXPECT_EQ(broken["problem"].toString(), "No flight samples were found in the file.");
}

}  // namespace
