// What the last run of the sales-posting screen left: read by the command
// entry, which turns sales left unposted into the command's exit code.
#pragma once

#ifndef BWPS1_API
#define BWPS1_API extern "C" __attribute__((visibility("default")))
#endif

// 1 when the last F10 of the posting screen left sales unposted (a sale
// failed, the run was stopped, or it was refused before posting), with the
// unposted sales found and those posted; 0 when it posted every sale it
// found, or F10 was not pressed.
BWPS1_API int PostingRunOutcome(int* found, int* posted, int* stopped);
