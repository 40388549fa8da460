#include "app/usage.h"

#include <cstdio>

namespace vexlor {

// The texts, their odd blanks and spellings included, are the tool's
// established interface: scripts compare them byte for byte.
void PrintUsage() {
  std::printf("\n Vexlor: \n");
  std::printf("-----------------------------\n");
  std::printf("\nProgram arguments:\n\n");
  std::printf("     -I [Filename]\tIcon filename. (MUST) \n\n");
  std::printf("     -R [Filename]\tResults filename. (defual = results.txt) \n\n");
  std::printf("     -SI [Filename]\tSave processed Iamge into filename. (defual: No Saving) \n\n");
  std::printf("     -PR [0/1]\t\tPrint results. 0- Don't Show, 1- show \n\n");
  std::printf("     -PI [0/1]\t\tPrint information. 0- Don't Show, 1- show \n\n");
  std::printf("     -SF [0/1]\t\tShow processed Figures. 0- Don't Show, 1- show \n\n");
  std::printf("     -TI [0/1]\t\tuse TinyInt for vectors. Defult = 1 - use \n\n");
  std::printf("     -A [0/1]\t\tAppend results to result file. 0- run over, 1- append \n\n");
  std::printf("     -B [0,1,2,3]\tBlur disk size. \n\n");
  std::printf("     -cR [0..3]\t\tRed distortion on image. \n\n");
  std::printf("     -cG [0..3]\t\tGreen distortion on image. \n\n");
  std::printf("     -cB [0..3]\t\tBlue distortion on image. \n\n");
  std::printf("Example: Vexlor.exe -I tmp1.png -B 1 \n\n");
}

void PrintBadArguments() {
  std::printf("\nERROR: bad arguments.\n");
  PrintUsage();
}

}  // namespace vexlor
