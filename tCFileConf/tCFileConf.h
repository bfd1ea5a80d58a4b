// tCFileConf: not yet written.
#pragma once
