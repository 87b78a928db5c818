// A second thread that shares the drawing thread's work on a picture: the
// pieces of a long curve (Qwt cuts a curve into short polylines, each stroked
// afresh, so runs of them can be worked out apart and their pixels joined
// afterwards, ov7931Demo_lineRaster.cpp), the curves painted in one go
// (ov7931Demo_fastCurve.cpp) and the tiles of their pixels
// (ov7931Demo_pixelLayers.cpp); and work begun ahead, the curves' lines
// worked out while the drawing thread paints the canvas's background and
// grid (ov7931Demo_FastCurve::LinesAhead). The drawing thread never waits for the
// helper to start: both take chunks one by one from a shared counter, and at
// the end the drawing thread waits only for a chunk the helper has begun. On
// a machine whose other processors are busy it simply does every chunk
// itself. After a job the helper watches for the next one for 0.3 ms,
// yielding the processor meanwhile, before it sleeps: the jobs of one
// refresh follow each other within a few tenths of a millisecond (the
// plots' own drawing between them), and a sleeping helper takes 15 to 20
// microseconds to wake. (The helper keeps the normal priority: at the
// lowest, a helper interrupted in the middle of a chunk by a busy machine
// would hold the drawing thread up for as long as the machine stays busy.)
#ifndef OV7931DEMO_SHAREWORK_H
#define OV7931DEMO_SHAREWORK_H

#include <functional>

namespace lineRaster {

// Calls work(chunk, onHelper) once for every chunk 0 .. chunks - 1, on the
// calling thread (onHelper false) or on the helper thread (true), and
// returns when all have returned. Calls of one thread come one after the
// other; what the helper's calls wrote is visible to the caller afterwards.
// Only one thread at a time may share work (from startWork() to
// finishWork() for work begun ahead); work shared from inside shared work is
// done by the thread that shares it, alone.
void shareWork(int chunks, const std::function<void(int chunk, bool onHelper)> &work);

// The same work begun ahead: the helper starts on the chunks at once while
// the calling thread goes on with other things; finishWork() then does the
// chunks the helper has not taken and returns when all have returned. One
// such job at a time; shareWork() finishes it first. Work begun from inside
// shared work is done there and then.
void startWork(int chunks, std::function<void(int chunk, bool onHelper)> work);
void finishWork();

} // namespace lineRaster

#endif
