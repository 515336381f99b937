// The app library needs at least one source.
