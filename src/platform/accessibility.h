#pragma once

// Makes the program's windows, labels and pickers read well through assistive technology: each
// window a frame named by its title, each label with its text, each picker with the text it shows
// and no made-up number. Installing twice does nothing more.
void installAccessibleInterfaces();
