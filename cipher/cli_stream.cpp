#include "cipher/cli_stream.h"

#include <utility>

OutputThread::OutputThread(std::function<SaveError(char*, size_t)> sink, size_t pieceCount)
    : sink(std::move(sink)), pieces(pieceCount), thread([this] { run(); }) {}

OutputThread::~OutputThread() {
  if (!thread.joinable()) return;
  {
    const std::lock_guard lock(mutex);
    dropping = true;
  }
  changed.notify_all();
  thread.join();
}

std::string* OutputThread::emptyPiece() {
  std::unique_lock lock(mutex);
  changed.wait(lock, [this] { return queued - written < pieces.size() || failure.number; });
  return failure.number ? nullptr : &pieces[queued % pieces.size()];
}

void OutputThread::queuePiece() {
  {
    const std::lock_guard lock(mutex);
    ++queued;
  }
  changed.notify_all();
}

SaveError OutputThread::finish() {
  {
    const std::lock_guard lock(mutex);
    ending = true;
  }
  changed.notify_all();
  thread.join();
  return failure;
}

void OutputThread::run() {
  std::unique_lock lock(mutex);
  for (;;) {
    changed.wait(lock, [this] { return written < queued || ending || dropping; });
    if (dropping || written == queued) return;
    std::string& piece = pieces[written % pieces.size()];
    lock.unlock();
    SaveError error = sink(piece.data(), piece.size());
    lock.lock();
    if (error.number) {
      failure = std::move(error);
      changed.notify_all();
      return;
    }
    ++written;
    changed.notify_all();
  }
}
