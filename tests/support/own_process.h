#pragma once

namespace chiffrel::testing_support {

// Runs the current test again, alone, in a fresh process of the same test program, and reports
// its failure here; true in that parent. False in the fresh process, which goes on with the
// test. A fresh process that has not ended within a minute is killed, and the test fails: a
// hang, a crash or a stack overflow fails the one test, never the whole suite. Tests that change
// what a library reads once per process (GIO reads the XDG variables once), or that check that
// something ends at all, start with
//     if (testing_support::HandedToOwnProcess()) { return; }
bool HandedToOwnProcess();

}  // namespace chiffrel::testing_support
