#pragma once
// The process-wide mark that the exit handlers have begun: from then on data and music requests
// are refused, because the managers they would reach may already be gone.
namespace ShutdownSequence {

bool IsStarted();
// The last exit handler registered at start-up, so the first to run at exit.
void MarkShutdownSequenceStarted();
// Tests only: back to the state before start-up.
void ResetForTests();

} // namespace ShutdownSequence
