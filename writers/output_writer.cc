#include "writers/output_writer.h"
