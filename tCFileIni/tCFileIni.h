// tCFileIni: not yet written.
#pragma once
