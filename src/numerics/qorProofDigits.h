#pragma once
// How far a proved root may be refined: a limit the task file, the command line and the
// proof share, without any of them needing the ball arithmetic that does the proof.

// The most digits a proved root is refined to.
inline constexpr int MaxProofDigits = 50;
