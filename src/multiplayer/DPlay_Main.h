// Multiplayer sessions: this copy's session (created here, or joined), its
// players, the messages and shared values they exchange, the queue of
// received messages, and the multiplayer family of built-in functions.
//
// The host holds a connection to every other player and passes their
// messages on; a player that joined talks only to the host. When the host
// leaves a session that allows it, the player with the lowest id becomes
// the host and the others reconnect to it under their old ids.
#pragma once

#include <cstdint>

#include "multiplayer/DPlay_Low.h"
#include "platform/Platform_Main.h"

// Registers the multiplayer functions.
void DPlay_Register_Functions();

// Answers the peers without waiting: between steps and at the start of every
// function that reads what arrived. Never blocks.
void DPlay_Pump();

// Ends the session and the connection and forgets every message, player
// and shared value (a restart, or a test's fresh start).
void DPlay_ResetState();

// How many frames and bodies from the network broke their format, or were
// not acceptable where they came, and were dropped.
uint64_t DPlay_DroppedCount();

// For tests that feed network input straight in: a session without a
// network behind it, hosted here (host) or joined to a host that is peer 1.
void DPlay_SimulateSession(bool host);
// Handles one event or datagram as if it had come from the network.
void DPlay_Feed(const RNetEvent &event);
void DPlay_FeedDatagram(const RNetAddress &from, const uint8_t *data, size_t size);
