// The offscreen platform's notes, which say nothing about the figures, kept
// out of the benchmarks' output; every other message goes through.
#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace orrimax::bench {

inline QtMessageHandler& PreviousMessageHandler() {
  static QtMessageHandler previous = nullptr;
  return previous;
}

inline void QuietOffscreenNotes() {
  PreviousMessageHandler() = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message.contains("propagateSizeHints") || message.contains("XDG_RUNTIME_DIR")) return;
        if (const QtMessageHandler previous = PreviousMessageHandler())
          previous(type, context, message);
        else
          std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
      });
}

}  // namespace orrimax::bench
