#pragma once
// The output of quorlin-cipher, finished and written on a thread of its own while the next piece of the
// stream is read. A few buffers pass between the two threads and are used again, so memory stays the
// same whatever the size of the stream.
//
// The thread lives only while the output is open and neither committed nor cancelled, so the
// interrupt handler, which may run on it, finds the save as it left it.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/save_file.h"

class OutputThread {
 public:
  // Hands each piece to sink, in order, which may change its bytes before writing them; pieceCount
  // buffers circulate.
  OutputThread(std::function<SaveError(char* data, size_t size)> sink, size_t pieceCount);
  // Ends the thread without writing the pieces still queued.
  ~OutputThread();
  OutputThread(const OutputThread&) = delete;
  OutputThread& operator=(const OutputThread&) = delete;

  // The buffer for the next piece, as the piece before in it left it, once the thread has written
  // that; null once a write failed (finish tells why).
  std::string* emptyPiece();
  // Hands the buffer from emptyPiece, filled, to the thread.
  void queuePiece();
  // Waits until every queued piece is written, ends the thread and returns the first failure.
  SaveError finish();

 private:
  void run();

  const std::function<SaveError(char*, size_t)> sink;
  std::vector<std::string> pieces;
  std::mutex mutex;
  std::condition_variable pieceQueued;   // the thread waits for it
  std::condition_variable pieceWritten;  // emptyPiece waits for it
  // Under mutex: pieces queued and written so far, counted from the start, so that
  // pieces[queued % size] is the one being filled and pieces[written % size] the one being written.
  size_t queued = 0;
  size_t written = 0;
  bool ending = false;    // no more pieces come
  bool dropping = false;  // the queued pieces are not wanted any more
  SaveError failure;
  std::thread thread;  // last, so that it starts with everything above in place
};
