#pragma once

// Moves the calling process (before it starts threads) into a new network namespace of its own
// whose loopback interface is up, so that everything the test starts, the mDNS engine included,
// can reach nothing but loopback. Needs root; returns false when it cannot be done.
bool IsolateNetwork();

// Whether IsolateNetwork succeeded for this process.
bool NetworkIsolated();
