// The one source of the targets that make the tests' precompiled headers.
