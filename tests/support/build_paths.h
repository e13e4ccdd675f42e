#pragma once

namespace orv::test {

// The programs of this build that tests run. They come from one small source the build writes
// into its own folder: no other test source carries this clone's paths, so the compiler cache
// serves those sources to any clone of the project.
const char* OrvantisProgram();   // the orvantis executable
const char* JetReaderProgram();  // the database reader program, orvantis-jet-reader

}  // namespace orv::test
