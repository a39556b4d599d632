#pragma once

#include <string>

#include "export.h"
#include "output/rgb_image.h"

// The image output of "Save images": each captured frame becomes a numbered Targa or JPEG
// file of the sequence, or a frame of the AVI movie, as image_output (scene/view_settings.h)
// says. Capturing the picture is the window's business (or the batch run's offscreen one);
// what to make of it is decided here. Called on one thread at a time.
namespace output {

// The image file type of a name by its extension, compared without regard to case: "tga"
// 18, "jpg" 20, "avi" 12; 0 for any other.
UNDALINE_API int ImageTypeOfName(const std::string& path);

// What a name chosen in the "Save images" file dialog sets: the type from its extension, the
// sequence name (the name without its directory and its last four characters, at most 49
// characters) and the output directory (the name's own). False, with nothing changed, for a
// name without one of the three extensions or a directory too long to keep.
UNDALINE_API bool ChooseImageSequence(const std::string& path);

// "<directory>/<sequence><frame as %05d>.tga" (or .jpg by the type); the directory is the
// application's when none is set.
UNDALINE_API std::string FrameFileName(int frame);
// "<directory>/<sequence>.avi".
UNDALINE_API std::string MovieFileName();

// The movie of an AVI sequence. Opening closes a movie that is open; jpeg_quality 0 keeps
// full frames, 1 to 100 compresses them.
UNDALINE_API bool OpenMovie(int width, int height, int jpeg_quality);
UNDALINE_API bool MovieOpen();
// Finishes the open movie (its index and counts) and gives it its name; false when there was
// none or it could not be finished.
UNDALINE_API bool CloseMovie();
// Frames in the open movie.
UNDALINE_API int MovieFrames();
// The compression a movie gets when a frame arrives with none open (a loaded workspace, a
// batch run): 0 full frames (the default), 1 to 100 Motion-JPEG at that quality.
UNDALINE_API void SetDefaultMovieQuality(int jpeg_quality);
UNDALINE_API int DefaultMovieQuality();

// One captured frame, by the image file type: 18 a Targa file and 20 a JPEG file of the
// frame's number, 12 the next frame of the movie (opened at this picture's size when none
// is); any other type logs "Unknown output file" in red. False when nothing was written.
UNDALINE_API bool SaveFrame(const RgbImage& image, int frame);
// The same from the colour buffer as read (three floats a pixel, rows bottom up); "ERROR
// MALLOC" in red when the picture's memory cannot be had.
UNDALINE_API bool SaveCapturedFrame(const float* rgb, int width, int height, int frame);

}  // namespace output
