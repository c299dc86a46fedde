#pragma once

class QWidget;

// Start-up measurement. With PELKO_BENCH_EXIT_ON_SHOW=1 in the environment the program writes
// "PELKO_BENCH_SHOWN_NS=<nanoseconds since the epoch>" to standard output once window has been
// exposed and drawn for the first time, and then leaves its message loop; bench/startup.sh
// subtracts the time it started the process. Without the variable nothing happens. Only the
// benchmarks' programs have it (bench_pelko, the program built with PELKO_BENCH_HOOK, and
// bench_bare_window): the program that ships keeps no such hook.
namespace BenchHook {

void exitOnFirstShowIfAsked(QWidget *window);

} // namespace BenchHook
