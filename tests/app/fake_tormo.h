// A recording stand-in for the playback engine: the eleven Tormo_ functions
// log every call and answer with values that the test sets.
#ifndef FAKE_TORMO_H
#define FAKE_TORMO_H

#include <QStringList>

namespace FakeTormo {

// Calls as "Name(arg,arg)": ports and numbers in decimal, paths decoded from
// GB18030, window ids left out ("AttachPlayWnd(0,1)").
extern QStringList calls;
// What an open answers: the port it hands out (then the next one), or a
// failure that leaves the caller's port as it was.
extern int nextPort;
extern bool openFails;
extern bool snapshotFails; // else a snapshot writes a small file, named as the engine names it
extern int fileTime;   // every port's length
extern int playedTime; // every port's position

void reset();
// The calls whose name starts with `name`, e.g. "SpeedPlay".
QStringList callsOf(const QString &name);

} // namespace FakeTormo

#endif // FAKE_TORMO_H
