// The sample flights shipped with the program, read from their record files
// the way the analysis reads them: what each one's flight plan says happened.

#include <gtest/gtest.h>

#include <string>

#include "atmosphere.h"
#include "flight_report.h"
#include "record_reader.h"

namespace tarvel::events {
namespace {

FlightReport analyseRecord(const std::string& name) {
    Flight flight;
    const Status status = loadRecordFile(std::string(TARVEL_EXAMPLES_DIR) + "/" + name, flight);
    EXPECT_TRUE(status.ok) << status.message;
    return analyseFlight(recordedSamples(flight));
}

// K motor from 1200 m: drogue at apogee (12.25 m/s), main at 200 m (6.5 m/s).
TEST(SampleFlights, DualDeployFromAHighSite) {
    const FlightReport r = analyseRecord("high_power.rcd");
    const FlightEvents& ev = r.events;
    ASSERT_TRUE(ev.launch && ev.burnout && ev.apogee && ev.main && ev.landing);
    EXPECT_NEAR(*ev.burnout - *ev.launch, 3.2, 0.05);
    ASSERT_EQ(ev.deployments.size(), 2u);
    EXPECT_NEAR(ev.deployments[0], *ev.apogee, 0.1);
    EXPECT_EQ(ev.deployments[1], *ev.main);
    const FlightStatistics& s = r.statistics;
    ASSERT_TRUE(s.mainAltitude && s.drogueDescentRate && s.mainDescentRate);
    EXPECT_NEAR(*s.mainAltitude, 200, 5);
    EXPECT_NEAR(*s.drogueDescentRate, 12.25, 0.6);
    EXPECT_NEAR(*s.mainDescentRate, 6.5, 0.2);
    EXPECT_NEAR(r.estimate.padPressureAltitude, 1200, 10);
    EXPECT_NEAR(*s.maxMach, *s.maxVelocity / speedOfSoundMps(1200 + 1000), 0.05);
}

// F motor, one chute opened at apogee, saved in metric units every 20 ms.
TEST(SampleFlights, SingleChuteAtApogee) {
    const FlightReport r = analyseRecord("metric_flight.rcd");
    ASSERT_TRUE(r.events.apogee && r.events.landing);
    EXPECT_FALSE(r.events.main);
    ASSERT_EQ(r.events.deployments.size(), 1u);
    EXPECT_NEAR(r.events.deployments[0], *r.events.apogee, 0.1);
    ASSERT_TRUE(r.statistics.drogueDescentRate);
    EXPECT_NEAR(*r.statistics.drogueDescentRate, 5.5, 0.3);
    EXPECT_NEAR(r.estimate.padPressureAltitude, 350, 10);
}

// C motor with a 5 s delay charge, a third of a second after apogee, where
// the rocket is still too slow for the chute to show: the opening is placed
// at apogee. Both forms of the record hold the same flight (the downloaded
// one to fewer digits).
TEST(SampleFlights, DelayChargeAfterApogeeInBothRecordForms) {
    const FlightReport saved = analyseRecord("small_motor.rcd");
    const FlightReport downloaded = analyseRecord("small_motor_downloaded.rcd");
    for (const FlightReport* r : {&saved, &downloaded}) {
        ASSERT_TRUE(r->events.burnout && r->events.apogee && r->events.landing);
        ASSERT_EQ(r->events.deployments.size(), 1u);
        EXPECT_NEAR(r->events.deployments[0], *r->events.burnout + 5, 0.4);
        EXPECT_GE(r->events.deployments[0], *r->events.apogee);
        ASSERT_TRUE(r->statistics.drogueDescentRate);
        EXPECT_NEAR(*r->statistics.drogueDescentRate, 7.0, 0.3);
    }
    EXPECT_NEAR(saved.events.deployments[0], downloaded.events.deployments[0], 1e-3);
    ASSERT_TRUE(saved.estimate.apogee && downloaded.estimate.apogee);
    EXPECT_NEAR(saved.estimate.apogee->altitude, downloaded.estimate.apogee->altitude, 0.01);
}

}  // namespace
}  // namespace tarvel::events
