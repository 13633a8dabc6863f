#include "cipher/cli/cli_stream.h"

#include <utility>

OutputThread::OutputThread(std::function<SaveError(char*, size_t)> sink, size_t pieceCount)
    : sink(std::move(sink)), pieces(pieceCount), thread([this] { run(); }) {}

OutputThread::~OutputThread() {
  if (!thread.joinable()) return;
  {
    const std::lock_guard lock(mutex);
    dropping = true;
  }
  pieceQueued.notify_one();
  thread.join();
}

std::string* OutputThread::emptyPiece() {
  std::unique_lock lock(mutex);
  // When all buffers are queued, wait for half of them, not one: a thread woken for every piece
  // would, on a busy processor, take turns with the writing one piece by piece.
  if (queued - written == pieces.size())
    pieceWritten.wait(lock, [this] { return queued - written <= pieces.size() / 2 || failure.number; });
  return failure.number ? nullptr : &pieces[queued % pieces.size()];
}

void OutputThread::queuePiece() {
  {
    const std::lock_guard lock(mutex);
    ++queued;
  }
  pieceQueued.notify_one();
}

SaveError OutputThread::finish() {
  {
    const std::lock_guard lock(mutex);
    ending = true;
  }
  pieceQueued.notify_one();
  thread.join();
  return failure;
}

void OutputThread::run() {
  std::unique_lock lock(mutex);
  for (;;) {
    pieceQueued.wait(lock, [this] { return written < queued || ending || dropping; });
    if (dropping || written == queued) return;
    std::string& piece = pieces[written % pieces.size()];
    lock.unlock();
    SaveError error = sink(piece.data(), piece.size());
    lock.lock();
    if (error.number) {
      failure = std::move(error);
      pieceWritten.notify_one();
      return;
    }
    if (++written + pieces.size() / 2 == queued) pieceWritten.notify_one();
  }
}
