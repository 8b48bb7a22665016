#include "Batch.h"

#include <iostream>

int main(int argc, char** argv) {
    return quarvel::runBatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
