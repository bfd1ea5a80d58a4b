// tCFile: not yet written.
#pragma once
