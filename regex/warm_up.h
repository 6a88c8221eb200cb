// The regular-expression component loaded ahead of its first use. Its first object in a process
// costs a library load and a type-library read, and a search's workers all reach for it at once
// as their first pages arrive, waiting on one another for the loader; loaded while those pages
// are still on their way, or while the window waits for its user, it costs them nothing.
// Room regex/ (floor 1): the platform's COM; uses regex_object only.
#pragma once

// Starts, once a process, a thread of its own that makes one regular-expression object, runs it
// and keeps the component's library loaded for the life of the process. Returns at once.
void warmUpRegexComponent();
