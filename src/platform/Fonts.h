// The forms' font, 宋体, on a system that may not have it.
#pragma once

// Makes 宋体 resolve, for the application object of the moment: first to the subset of the Song-style
// font compiled into the program, made for exactly the program's texts, then to the installed fonts
// for any other character. Cheap to call again.
void InstallSongFont();
