// The run report: key=value lines written at exit, and the frame-work figures behind it.
#pragma once
#include <cstdint>

// Records the work of one frame (before its sleep), in microseconds.
void RecordFrameWork(uint64_t microseconds);
// Records a wait outside the frames (the update check after the splash), in microseconds.
void RecordStall(uint64_t microseconds);
// Heap allocations made by the program so far (operator new).
uint64_t HeapAllocations();
// Marks the moment from which allocations count as made during frames.
void MarkFrameAllocationStart();
// The loading frame reached the screen now.
void MarkLoadingFramePresented();
// Writes the report named by --report, if any.
void WriteReport();
// Writes the report of the run so far to a file.
void WriteReportTo(const char* path);
