#pragma once

// undaline --make-sd INPUT OUTPUT.sd [--fps N] [--frames A-B] [--platform P]
//
// Samples the node animation of a scene from a current 3D package (glTF 2.0, FBX, Collada and
// the other formats the import library reads) frame by frame and writes it as a scene-data
// file of rigid objects, ready for "Import scene".

// Usage text of the option, for --help.
extern const char* const kMakeSdHelp;

// Runs the conversion with the arguments that follow "--make-sd". Exit status: 0 done, 1 the
// input could not be read or the output written, 2 bad usage.
int MakeSdMain(int argc, char** argv);
