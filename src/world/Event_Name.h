// The names of events as error messages and the debug window show them:
// "Create Event", "Alarm Event for alarm 3", "Keyboard Event for <Left> Key",
// "Collision Event with object wall", ...
#pragma once

#include <cstdint>
#include <string>

// The event's name; "<Unknown Event>" for a type outside 0..11.
std::string EventName(int32_t etype, int32_t enumb);
// The parts event names are made of; "<unknown>" for numbers without one.
std::string EventKeyName(int32_t key);
std::string EventMouseName(int32_t number);
std::string EventOtherName(int32_t number);
