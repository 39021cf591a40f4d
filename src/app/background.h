#pragma once
// The viewer's workers and what they make ahead: the pictures of the pages
// the presentation will need next and the slides' thumbnails. Results are
// taken on the GUI thread, in the idle callback.

class WorkerPool;

// Before the slide list loads, with the GL context current; threads 0
// takes as many as the machine has cores to spare.
void startBackgroundWork(int threads = 0);
// The running workers, or null.
WorkerPool* backgroundWorkers();
// The thumbnails, in slide order (deliverBackgroundResults asks for them
// once the first frame is on screen).
void prepareThumbnails();
// After the neighbours of the current page are loaded: the pages a step
// further, and nothing of pages further still.
void prepareAroundPage(int current);
// Takes what the workers have finished; true when something on screen
// changed (a thumbnail in the open strip).
bool deliverBackgroundResults();
// Sleeps until a worker finishes something or the time has passed.
void waitForBackgroundResults(double seconds);
// Stops the workers (running work ends, queued work is dropped). At exit,
// before anything they use goes.
void stopBackgroundWork();
